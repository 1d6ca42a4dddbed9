#include "transfer/FileNameRules.h"

#include "core/PathText.h"

#include <QList>

namespace zentaro {

namespace {

bool separatesWords(char32_t c)
{
    switch (c) {
    case U' ':
    case U'\t':
    case U'\n':
    case U'\v':
    case U'\f':
    case U'\r':
    case U'\0':
        return true;
    default:
        return false;
    }
}

} // namespace

FileNameParts FileNameRules::Split(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    FileNameParts parts;
    if (dot < 0) {
        parts.BaseName = name;
        return parts;
    }
    parts.BaseName = name.left(dot);
    parts.Extension = name.mid(dot + 1);
    parts.FileType = parts.Extension.toUpper();
    return parts;
}

QString FileNameRules::ProperCase(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool wordStart = true;
    // By code point, so that letters outside the basic plane change case too.
    for (const char32_t c : text.toUcs4()) {
        if (separatesWords(c)) {
            wordStart = true;
            out += QString::fromUcs4(&c, 1);
            continue;
        }
        const char32_t changed = wordStart ? QChar::toUpper(c) : QChar::toLower(c);
        out += QString::fromUcs4(&changed, 1);
        wordStart = false;
    }
    return out;
}

QString FileNameRules::TitleFor(const QString& baseName, bool autoCapitalize)
{
    return autoCapitalize ? ProperCase(baseName) : baseName;
}

QString FileNameRules::StoredName(const QString& fileName, const QString& fileType)
{
    if (fileType.isEmpty())
        return fileName;
    return fileName + QLatin1Char('.') + fileType;
}

QString FileNameRules::TargetPath(const QString& folder, const QString& fileName, const QString& fileType)
{
    return PathText::join(folder, StoredName(fileName, fileType));
}

} // namespace zentaro
