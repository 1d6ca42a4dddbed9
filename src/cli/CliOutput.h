#pragma once

#include "core/Notice.h"
#include "core/Status.h"
#include "store/MainRecord.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QTextStream>

namespace zentaro {

// Where znt writes: results to one stream (standard output), messages and
// errors to the other (standard error). Tests hand in their own streams.
class CliOutput
{
public:
    CliOutput(QTextStream& out, QTextStream& err);

    QTextStream& out() { return m_out; }
    QTextStream& err() { return m_err; }

    // A line of results.
    void line(const QString& text);
    // A JSON document of results, indented.
    void json(const QJsonObject& object);
    // A message of the program ("Title: text"), its line breaks as this
    // platform writes them.
    void notice(const Notice& notice);
    // An error of znt itself: "znt: text".
    void error(const QString& text);
    void errorLine(const QString& text);

    // A stored text as one field of a result line: tabs, line breaks and
    // backslashes as \t, \n, \r and \\, other control characters as \xHH,
    // the Unicode line and paragraph separators as \u2028 and \u2029.
    static QString fieldText(const QString& text);
    // A message for standard error: line breaks as this platform writes them,
    // tabs kept, other control characters as in fieldText.
    static QString messageText(const QString& text);

    // One record on one line: MainID and the ten descriptive fields in the
    // grid's default order, separated by tabs, each as fieldText writes it.
    static QString recordLine(const MainRecord& record);
    // The same fields as a JSON object, named as in the library; dates as
    // local ISO 8601 text, null when empty.
    static QJsonObject recordJson(const MainRecord& record);
    // The fields of recordLine, in their order.
    static const QList<MainField>& listFields();

    static QString dateText(const QDateTime& when);
    static QJsonValue dateJson(const QDateTime& when);
    // CR LF and lone CR become LF.
    static QString plainLines(const QString& text);

private:
    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace zentaro
