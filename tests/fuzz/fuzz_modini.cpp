// SPDX-License-Identifier: MIT
// Feeds arbitrary files, keys and values to the settings file rules and checks what a user
// relies on: a written value reads back, lines the write did not concern keep every byte,
// and writing the value the file already holds, in whatever encoding, changes nothing.

#include "settings/modini.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QString>
#include <QStringDecoder>

#include <cstdlib>

namespace {

const QStringView Keys[] = {u"Top", u"tOP", u"ExampleText", u"Width", u"k"};

void require(bool holds)
{
    if (!holds)
        std::abort();
}

// The part of `before` that differs from `after`, once their common start and end are removed.
QByteArrayView changedPart(const QByteArray &before, const QByteArray &after)
{
    qsizetype start = 0;
    while (start < before.size() && start < after.size() && before[start] == after[start])
        ++start;
    qsizetype end = 0;
    while (end < before.size() - start && end < after.size() - start
           && before[before.size() - 1 - end] == after[after.size() - 1 - end])
        ++end;
    return QByteArrayView(before).sliced(start, before.size() - start - end);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QStringView key = Keys[input.ConsumeIntegralInRange<size_t>(0, std::size(Keys) - 1)];
    const std::string valueBytes = input.ConsumeRandomLengthString(300);
    const std::string fileBytes = input.ConsumeRemainingBytesAsString();
    const QByteArray file(fileBytes.data(), qsizetype(fileBytes.size()));
    const QString value = QStringDecoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom)(
        QByteArrayView(valueBytes.data(), qsizetype(valueBytes.size())));

    const QString stored = modIni::ValueInIni(file, modIni::SectionName, key);
    if (!stored.isEmpty())
        require(modIni::IniWithValue(file, modIni::SectionName, key, stored) == file);
    const QByteArray written = modIni::IniWithValue(file, modIni::SectionName, key, value);

    // A value is kept on its one line: its line breaks become blanks.
    QString expected = value;
    expected.replace(u'\r', u' ').replace(u'\n', u' ');
    require(modIni::ValueInIni(written, modIni::SectionName, key) == expected);
    require(!changedPart(file, written).contains('\n') && !changedPart(file, written).contains('\r'));
    require(modIni::IniWithValue(written, modIni::SectionName, key, value) == written);
    return 0;
}
