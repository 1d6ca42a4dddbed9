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
    bool ok = false;
    const double value = versionText.trimmed().toDouble(&ok);
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
