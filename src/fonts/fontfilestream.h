// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include <ft2build.h>
#include FT_SYSTEM_H

#include <vector>

// A font file as FreeType reads it: on demand, with pread, so that a file that shrinks while
// open reads short, which FreeType reports as an error, where a memory map would fault. FreeType
// reads a face's tables a few bytes at a time, so reads are served from one block read ahead.
class FontFileStream
{
    Q_DISABLE_COPY_MOVE(FontFileStream)

public:
    explicit FontFileStream(const QByteArray &path);
    ~FontFileStream();

    // None when the file cannot be read at all.
    FT_Stream stream() { return m_stream.read ? &m_stream : nullptr; }

private:
    static constexpr unsigned long BlockSize = 16 * 1024;

    static unsigned long read(FT_Stream stream, unsigned long offset, unsigned char *buffer, unsigned long count);
    static void closeNothing(FT_Stream stream);
    unsigned long readAt(unsigned long offset, unsigned char *buffer, unsigned long count);
    unsigned long preadInto(unsigned char *buffer, unsigned long offset, unsigned long count) const;

    int m_fd = -1;
    FT_StreamRec m_stream = {};
    unsigned long m_blockStart = 0;
    std::vector<unsigned char> m_block; // the bytes from m_blockStart that the file held
};
