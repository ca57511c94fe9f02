// SPDX-License-Identifier: MIT
#include "fontfilestream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

FontFileStream::FontFileStream(const QByteArray &path)
    : m_fd(::open(path.constData(), O_RDONLY | O_CLOEXEC))
{
    struct stat status = {};
    if (m_fd < 0 || fstat(m_fd, &status) != 0)
        return;
    m_stream.descriptor.pointer = this;
    m_stream.size = static_cast<unsigned long>(status.st_size);
    m_stream.read = read;
    m_stream.close = closeNothing;
}

FontFileStream::~FontFileStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

unsigned long FontFileStream::read(FT_Stream stream, unsigned long offset, unsigned char *buffer, unsigned long count)
{
    if (count == 0) // a seek: fine as long as it stays within the file
        return offset > stream->size ? 1 : 0;
    return static_cast<FontFileStream *>(stream->descriptor.pointer)->readAt(offset, buffer, count);
}

void FontFileStream::closeNothing(FT_Stream /*stream*/)
{
    // The descriptor belongs to the stream, which closes it after FreeType is done with it.
}

unsigned long FontFileStream::readAt(unsigned long offset, unsigned char *buffer, unsigned long count)
{
    if (count > BlockSize)
        return preadInto(buffer, offset, count);
    if (offset < m_blockStart || offset + count > m_blockStart + m_block.size()) {
        m_block.resize(BlockSize);
        m_block.resize(preadInto(m_block.data(), offset, BlockSize));
        m_blockStart = offset;
    }
    const unsigned long available = std::min<unsigned long>(count, m_blockStart + m_block.size() - offset);
    std::memcpy(buffer, m_block.data() + (offset - m_blockStart), available);
    return available;
}

unsigned long FontFileStream::preadInto(unsigned char *buffer, unsigned long offset, unsigned long count) const
{
    const ssize_t read = pread(m_fd, buffer, count, off_t(offset));
    return read < 0 ? 0 : static_cast<unsigned long>(read);
}
