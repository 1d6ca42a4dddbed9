#include "transfer/FileNameRules.h"

#include "core/PathText.h"

#include <QDir>
#include <QFile>
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

bool isSeparator(QChar c)
{
#if defined(Q_OS_WIN)
    return c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':');
#else
    return c == QLatin1Char('/');
#endif
}

// Longest name most file systems take, in bytes of the name's encoding.
constexpr qsizetype kNameMaxBytes = 255;

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

bool FileNameRules::IsUsablePart(const QString& part)
{
    if (part == QLatin1String(".") || part == QLatin1String(".."))
        return false;
    // A lone surrogate has no encoding and would come out as another name.
    if (!part.isValidUtf16())
        return false;
    for (const QChar c : part) {
        if (isSeparator(c) || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

bool FileNameRules::IsUsableName(const QString& name)
{
    return !name.isEmpty() && IsUsablePart(name) && QFile::encodeName(name).size() <= kNameMaxBytes;
}

QString FileNameRules::ReplacementName(qint64 mainId, const QString& fileType)
{
    const QString bare = QStringLiteral("record %1").arg(mainId);
    const QString typed = StoredName(bare, fileType);
    return IsUsablePart(fileType) && IsUsableName(typed) ? typed : bare;
}

bool FileNameRules::LiesDirectlyIn(const QString& path, const QString& folder)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || !IsUsableName(path.mid(slash + 1)))
        return false;
    return QDir::cleanPath(path.left(slash + 1)) == QDir::cleanPath(folder);
}

QString FileNameRules::NumberedName(const QString& name, int n)
{
    const QString number = QStringLiteral(" (%1)").arg(n);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return name + number;
    return name.left(dot) + number + name.mid(dot);
}

ExtractTarget FileNameRules::TargetFor(const QString& folder, qint64 mainId, const QString& fileName,
                                       const QString& fileType)
{
    const QString name = StoredName(fileName, fileType);
    if (IsUsablePart(fileName) && IsUsablePart(fileType) && IsUsableName(name)) {
        const QString path = PathText::join(folder, name);
        if (LiesDirectlyIn(path, folder))
            return {path, false};
    }
    return {PathText::join(folder, ReplacementName(mainId, fileType)), true};
}

} // namespace zentaro
