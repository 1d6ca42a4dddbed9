#pragma once

#include <QByteArray>
#include <QList>
#include <utility>

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

namespace zentaro {

struct CliContext;
class CliOutput;

// znt: parses "znt COMMAND [options] ARGS..." with QCommandLineParser and
// runs the command. Never needs a display.
class CliApplication
{
public:
    // out and err receive results and messages; tests hand in their own.
    CliApplication(QTextStream& out, QTextStream& err);
    ~CliApplication();

    // arguments as main receives them, the program name first. Returns the
    // exit status.
    int run(const QStringList& arguments);
    // The same arguments as the system's bytes: Qt reads them as UTF-8 and
    // loses any file name that is not.
    void setNativeArguments(QList<QByteArray> native) { m_native = std::move(native); }

    struct Command
    {
        QString name;
        QString arguments;   // e.g. "LIB FILE..."
        QString summary;
        int minPositional = 0;
        int maxPositional = 0; // -1: any number
        bool library = true;   // takes --level, --password, --shared, --exclusive
        bool json = false;     // takes --json
        QList<QCommandLineOption> options;
        std::function<int(CliContext&)> run;
    };
    static const QList<Command>& commands();

    // The environment variables znt reads.
    static inline const char* const kProgramFolderVariable = "ZNT_PROGRAM_FOLDER";
    static inline const char* const kPasswordVariable = "ZNT_PASSWORD";

private:
    QString overview() const;
    QString commandHelp(const Command& command, const QList<QCommandLineOption>& options) const;
    int usageError(const QString& message, const QString& command = QString());

    QTextStream& m_out;
    QTextStream& m_err;
    QList<QByteArray> m_native;
};

} // namespace zentaro
