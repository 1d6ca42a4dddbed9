// Prints the type the shared MIME database gives each file, one a line, as a
// file manager would see it (XDG_DATA_DIRS chooses the database). With
// --content the file name is ignored and only the bytes count.
#include <QCoreApplication>
#include <QMimeDatabase>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList files = QCoreApplication::arguments().mid(1);
    QMimeDatabase::MatchMode mode = QMimeDatabase::MatchDefault;
    if (!files.isEmpty() && files.first() == QLatin1String("--content")) {
        mode = QMimeDatabase::MatchContent;
        files.removeFirst();
    }
    QTextStream out(stdout);
    const QMimeDatabase database;
    for (const QString& file : files)
        out << database.mimeTypeForFile(file, mode).name() << '\n';
    return 0;
}
