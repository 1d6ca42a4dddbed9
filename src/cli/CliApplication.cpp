#include "cli/CliApplication.h"

#include "cli/CliContext.h"
#include "cli/CliExitCode.h"
#include "cli/CliOutput.h"
#include "cli/CliSettingsCommand.h"
#include "cli/CliSettingsReader.h"
#include "cli/CliStoreCommands.h"
#include "cli/CliTerminal.h"
#include "cli/CliTransferCommands.h"
#include "core/ProgramLocation.h"
#include "core/Environment.h"
#include "core/SettingsRecord.h"
#include "core/Version.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace zentaro {

namespace {

QCommandLineOption option(const QStringList& names, const QString& description, const QString& valueName = QString())
{
    return valueName.isEmpty() ? QCommandLineOption(names, description)
                               : QCommandLineOption(names, description, valueName);
}

QCommandLineOption helpOption()
{
    return option({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
}

QCommandLineOption programFolderOption()
{
    return option({QStringLiteral("program-folder")},
                  QStringLiteral("The program folder: where ZNT.CFG and CMPCT.TMP are (default: ZNT_PROGRAM_FOLDER, "
                                 "else the folder of znt when it holds Struct10.qdb, else ~/.local/share/zentaro)."),
                  QStringLiteral("DIR"));
}

QList<QCommandLineOption> libraryOptions()
{
    return {
        option({QStringLiteral("level")},
               QStringLiteral("Log in to a protected library at this level: Browser, Editor or Administrator."),
               QStringLiteral("LEVEL")),
        option({QStringLiteral("password")},
               QStringLiteral("The level's password. Other users can read it in the process list: prefer "
                              "ZNT_PASSWORD, or give neither and znt asks on the terminal."),
               QStringLiteral("PASSWORD")),
        option({QStringLiteral("shared")}, QStringLiteral("Open the library shared, whatever ExclusiveMode says.")),
        option({QStringLiteral("exclusive")},
               QStringLiteral("Open the library for znt alone, whatever ExclusiveMode says.")),
    };
}

QCommandLineOption jsonOption()
{
    return option({QStringLiteral("json")}, QStringLiteral("Print JSON instead of text."));
}

QCommandLineOption whereOption(const QString& description)
{
    return option({QStringLiteral("where")}, description, QStringLiteral("TEXT"));
}

QCommandLineOption orderOption()
{
    return option({QStringLiteral("order")},
                  QStringLiteral("ORDER BY part, e.g. \"ORDER BY Author, Title\" (default: ORDER BY Title)."),
                  QStringLiteral("TEXT"));
}

QCommandLineOption idOption(const QString& description)
{
    return option({QStringLiteral("id")}, description, QStringLiteral("N"));
}

} // namespace

CliApplication::CliApplication(QTextStream& out, QTextStream& err) : m_out(out), m_err(err)
{
}

CliApplication::~CliApplication() = default;

const QList<CliApplication::Command>& CliApplication::commands()
{
    static const QList<Command> all = [] {
        QList<Command> list;
        list.push_back({QStringLiteral("new"), QStringLiteral("LIB"),
                        QStringLiteral("Create a new, empty library from the template (.ZNT is added when missing)."),
                        1, 1, false, false, {}, &CliStoreCommands::newLibrary});
        list.push_back({QStringLiteral("info"), QStringLiteral("LIB"),
                        QStringLiteral("Show the library's settings row (without passwords), its record count, "
                                       "stored bytes and file size."),
                        1, 1, true, true, {}, &CliStoreCommands::info});
        list.push_back({QStringLiteral("list"), QStringLiteral("LIB"),
                        QStringLiteral("List records: MainID and the ten descriptive fields, one record a line."),
                        1, 1, true, true,
                        {whereOption(QStringLiteral("WHERE part in the program's query dialect, e.g. "
                                                    "'WHERE (Author LIKE \"Smi*\")' (WHERE may be left out).")),
                         orderOption()},
                        &CliStoreCommands::list});
        list.push_back(
            {QStringLiteral("search"), QStringLiteral("LIB"),
             QStringLiteral("Search as the search dialog does: quick search with --text/--class, or custom search "
                            "with --field/--op/--value; prints the list like 'list'."),
             1, 1, true, true,
             {option({QStringLiteral("text")},
                     QStringLiteral("Quick search: the word or phrase, looked for in Title, Author, Keywords and Notes."),
                     QStringLiteral("T")),
              option({QStringLiteral("class")}, QStringLiteral("Quick search: All, Videos, Audios or Images."),
                     QStringLiteral("C")),
              option({QStringLiteral("field")},
                     QStringLiteral("Custom search: Title, Author, Keywords, Notes, FileName, FileSize, FileDate, "
                                    "FileType, InsertionDate or LastUpdatedDate."),
                     QStringLiteral("F")),
              option({QStringLiteral("op")},
                     QStringLiteral("Custom search: contain, start, end, exact (text fields); between, after, "
                                    "before (dates); equal, greater, less (FileSize)."),
                     QStringLiteral("OP")),
              option({QStringLiteral("value")},
                     QStringLiteral("Custom search: the phrase, the date (month first, e.g. 12/31/98) or the number."),
                     QStringLiteral("V")),
              option({QStringLiteral("value2")}, QStringLiteral("Custom search: the Before date of 'between'."),
                     QStringLiteral("V2")),
              whereOption(QStringLiteral("Search within this list (scope Current List) instead of the whole library.")),
              orderOption()},
             &CliStoreCommands::search});
        list.push_back(
            {QStringLiteral("add"), QStringLiteral("LIB FILE..."),
             QStringLiteral("Add files as new records; prints the MainID of each record added."), 2, -1, true, false,
             {option({QStringLiteral("author")}, QStringLiteral("Author of every file."), QStringLiteral("A")),
              option({QStringLiteral("keywords")}, QStringLiteral("Keywords / Category of every file."),
                     QStringLiteral("K")),
              option({QStringLiteral("notes")}, QStringLiteral("Notes of every file."), QStringLiteral("N")),
              option({QStringLiteral("auto-capitalize")},
                     QStringLiteral("Capitalize the first letter of every word in the Title.")),
              option({QStringLiteral("remove-originals")},
                     QStringLiteral("Move each original to the trash once its record is safely stored."))},
             &CliTransferCommands::add});
        list.push_back(
            {QStringLiteral("extract"), QStringLiteral("LIB"),
             QStringLiteral("Write stored files to a folder as FileName.FileType; prints each path written."), 1, 1,
             true, false,
             {idOption(QStringLiteral("MainID of a record to extract (repeatable).")),
              whereOption(QStringLiteral("Extract the records of this WHERE part.")),
              option({QStringLiteral("all")}, QStringLiteral("Extract every record.")),
              option({QStringLiteral("to")}, QStringLiteral("The folder to write to (must exist)."),
                     QStringLiteral("DIR")),
              option({QStringLiteral("overwrite")},
                     QStringLiteral("Replace a file in DIR whose bytes differ from the record's (refused otherwise).")),
              option({QStringLiteral("keep-both")},
                     QStringLiteral("Keep a file in DIR whose bytes differ from the record's, and write the record "
                                    "beside it as \"name (2).ext\" (the first free number)."))},
             &CliTransferCommands::extract});
        list.push_back({QStringLiteral("reinsert"), QStringLiteral("LIB FILE"),
                        QStringLiteral("Replace the stored file of one record with FILE (FileSize and "
                                       "LastUpdatedDate are renewed, every other field stays)."),
                        2, 2, true, false, {idOption(QStringLiteral("MainID of the record."))},
                        &CliTransferCommands::reinsert});
        list.push_back({QStringLiteral("delete"), QStringLiteral("LIB"),
                        QStringLiteral("Delete records with their stored files. There is no confirmation."), 1, 1,
                        true, false,
                        {idOption(QStringLiteral("MainID of a record to delete (repeatable).")),
                         whereOption(QStringLiteral("Delete the records of this WHERE part.")),
                         option({QStringLiteral("all")}, QStringLiteral("Delete every record."))},
                        &CliStoreCommands::remove});
        list.push_back({QStringLiteral("compact"), QStringLiteral("LIB"),
                        QStringLiteral("Compact the library, recovering unused space. There is no confirmation."), 1,
                        1, true, false, {}, &CliStoreCommands::compact});
        list.push_back({QStringLiteral("copy"), QStringLiteral("LIB TARGET"),
                        QStringLiteral("Copy the library to the file TARGET (.ZNT is added when missing); a library on a "
                                       "server is written as of one moment."), 2, 2, true,
                        false, {}, &CliStoreCommands::copy});
        list.push_back({QStringLiteral("import"), QStringLiteral("LIB URL"),
                        QStringLiteral("Load the library file LIB into the empty library on a server at URL, every "
                                       "record with its fields, bytes and checksum; each record's bytes are checked "
                                       "against its checksum as they go."),
                        2, 2, true, false, {}, &CliStoreCommands::importLibrary});
        list.push_back({QStringLiteral("server"), QStringLiteral("init URL"),
                        QStringLiteral("Make a library in the empty database on a server at URL "
                                       "(postgresql://host:port/dbname?user=name)."),
                        2, 2, false, false, {}, &CliStoreCommands::server});
        list.push_back({QStringLiteral("settings"), QString(),
                        QStringLiteral("Show the local settings file ZNT.CFG of the program folder as the program "
                                       "reads it (after any upgrade); the file itself is not changed."),
                        0, 0, false, true, {}, &CliSettingsCommand::run});
        list.push_back({QStringLiteral("verify"), QStringLiteral("LIB"),
                        QStringLiteral("Check the library file and, for every record, that its stored bytes add up "
                                       "to FileSize and match their checksum; exits 3 when anything is damaged."),
                        1, 1, true, true,
                        {option({QStringLiteral("add-missing-checksums")},
                                QStringLiteral("First store a checksum for every record that has none "
                                               "(writable libraries only)."))},
                        &CliStoreCommands::verify});
        return list;
    }();
    return all;
}

QString CliApplication::overview() const
{
    QString text;
    QTextStream s(&text);
    s << "Usage: znt COMMAND [options] ARGUMENTS\n"
      << "       znt COMMAND --help\n"
      << "       znt --version\n\n"
      << "The command-line tool of Zentaro: scripts a library file (*.ZNT) or a library on a\n"
      << "PostgreSQL server (postgresql://host:port/dbname?user=name). The server's password\n"
      << "comes from PGPASSWORD, ~/.pgpass, or a prompt on a terminal.\n\n"
      << "Commands:\n";
    for (const Command& command : commands())
        s << "  " << command.name.leftJustified(10) << command.summary << '\n';
    s << "\nExit status: 0 success, 1 usage error, 2 refused (access level, read-only, in use),\n"
      << "3 failure (I/O, damaged library).\n";
    return text;
}

QString CliApplication::commandHelp(const Command& command, const QList<QCommandLineOption>& options) const
{
    QString text;
    QTextStream s(&text);
    s << "Usage: znt " << command.name << " [options]";
    if (!command.arguments.isEmpty())
        s << ' ' << command.arguments;
    s << "\n\n" << command.summary << "\n\nOptions:\n";
    for (const QCommandLineOption& o : options) {
        QStringList names;
        for (const QString& name : o.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString left = names.join(QStringLiteral(", "));
        if (!o.valueName().isEmpty())
            left += QLatin1Char(' ') + o.valueName();
        s << "  " << left.leftJustified(24) << ' ' << o.description() << '\n';
    }
    return text;
}

int CliApplication::usageError(const QString& message, const QString& command)
{
    m_err << "znt: " << message << '\n';
    if (command.isEmpty())
        m_err << "Try 'znt --help'.\n";
    else
        m_err << "Try 'znt " << command << " --help'.\n";
    m_err.flush();
    return toInt(CliExitCode::Usage);
}

int CliApplication::run(const QStringList& arguments)
{
    const QString first = arguments.value(1);
    if (arguments.size() < 2)
        return usageError(QStringLiteral("no command given."));
    if (first == QLatin1String("--version") || first == QLatin1String("-v")) {
        m_out << "znt (Zentaro) " << Version::currentFullVersionText() << '\n';
        m_out.flush();
        return toInt(CliExitCode::Success);
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        const QString topic = arguments.value(2);
        for (const Command& command : commands()) {
            if (!topic.isEmpty() && command.name == topic)
                return run({arguments.value(0), topic, QStringLiteral("--help")});
        }
        if (!topic.isEmpty() && first == QLatin1String("help"))
            return usageError(QStringLiteral("unknown command \"%1\".").arg(topic));
        m_out << overview();
        m_out.flush();
        return toInt(CliExitCode::Success);
    }

    const Command* command = nullptr;
    for (const Command& candidate : commands()) {
        if (candidate.name == first)
            command = &candidate;
    }
    if (!command) {
        if (first.startsWith(QLatin1Char('-')))
            return usageError(QStringLiteral("the command comes first, before any option (\"%1\").").arg(first));
        return usageError(QStringLiteral("unknown command \"%1\".").arg(first));
    }

    QList<QCommandLineOption> options = command->options;
    if (command->json)
        options << jsonOption();
    if (command->library)
        options << libraryOptions();
    options << programFolderOption() << helpOption();

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(options);
    QStringList rest = arguments.mid(2);
    rest.prepend(QStringLiteral("znt"));
    if (!parser.parse(rest))
        return usageError(parser.errorText(), command->name);
    if (parser.isSet(QStringLiteral("help"))) {
        m_out << commandHelp(*command, options);
        m_out.flush();
        return toInt(CliExitCode::Success);
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() < command->minPositional ||
        (command->maxPositional >= 0 && positional.size() > command->maxPositional)) {
        const QString expected = command->arguments.isEmpty() ? QStringLiteral("no arguments") : command->arguments;
        return usageError(QStringLiteral("%1 takes %2.").arg(command->name, expected), command->name);
    }
    if (command->library && parser.isSet(QStringLiteral("shared")) && parser.isSet(QStringLiteral("exclusive")))
        return usageError(QStringLiteral("--shared and --exclusive exclude each other."), command->name);

    QString folder = parser.value(QStringLiteral("program-folder"));
    if (folder.isEmpty())
        folder = qEnvironmentVariable(kProgramFolderVariable);
    if (!folder.isEmpty()) {
        folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        if (!QFileInfo(folder).isDir())
            return usageError(QStringLiteral("the program folder \"%1\" does not exist.").arg(folder),
                              command->name);
    }
    const Result<ProgramPlace> place = ProgramLocation::Locate(folder);
    if (!place) {
        m_err << "znt: " << place.message() << '\n';
        m_err.flush();
        return toInt(CliExitCode::Failure);
    }

    const Environment environment(place->programFolder, place->dataFolder);
    SettingsRecord settings;
    CliOutput output(m_out, m_err);
    CliTerminal terminal;

    CliLibrary::Access access;
    if (command->library) {
        // The library opens as ExclusiveMode in the settings says, like the windows.
        CliSettingsReader::Load(environment, settings);
        if (parser.isSet(QStringLiteral("shared")))
            settings.ExclusiveMode = false;
        if (parser.isSet(QStringLiteral("exclusive"))) {
            settings.ExclusiveMode = true;
            access.ServerExclusive = true;
        }
        if (parser.isSet(QStringLiteral("level")))
            access.Level = parser.value(QStringLiteral("level"));
        if (parser.isSet(QStringLiteral("password")))
            access.Password = parser.value(QStringLiteral("password"));
        else if (qEnvironmentVariableIsSet(kPasswordVariable))
            access.Password = qEnvironmentVariable(kPasswordVariable);
    }

    CliContext context{environment, settings, output, terminal, parser, positional, access,
                       command->json && parser.isSet(QStringLiteral("json")), m_native};
    return command->run(context);
}

} // namespace zentaro
