#include "core/Version.h"

#include "core/BuildInfo.h"

namespace zentaro {

QString Version::programVersion(int major, int minor)
{
    const QString majorText = QString::number(major);
    if (minor == 0)
        return majorText + QStringLiteral(".0");
    QString text = majorText + QLatin1Char('.') + QString::number(minor);
    if (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    return text;
}

QString Version::fullVersionText(int major, int minor, int revision)
{
    return QStringLiteral("%1.%2.%3")
        .arg(major)
        .arg(minor)
        .arg(revision, 4, 10, QLatin1Char('0'));
}

double Version::numericValue(const QString& versionText)
{
    // The number at the start of the text ("2.1abc" is 2.1); none counts as 0.
    const QString text = versionText.trimmed();
    qsizetype end = 0;
    if (end < text.size() && (text[end] == QLatin1Char('-') || text[end] == QLatin1Char('+')))
        ++end;
    bool point = false;
    while (end < text.size()) {
        const QChar c = text[end];
        if (c.isDigit() && c.unicode() < 128) {
            ++end;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
            ++end;
        } else {
            break;
        }
    }
    bool ok = false;
    const double value = text.left(end).toDouble(&ok);
    return ok ? value : 0.0;
}

QString Version::currentProgramVersion()
{
    return programVersion(build::kVersionMajor, build::kVersionMinor);
}

QString Version::currentFullVersionText()
{
    return fullVersionText(build::kVersionMajor, build::kVersionMinor, build::kRevision);
}

} // namespace zentaro
