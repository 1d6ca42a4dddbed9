#pragma once

#include <QObject>
#include <QStringList>

class QMimeData;
class QWidget;

namespace zentaro {

class CommandContext;
class ProgramState;

// Drag and drop onto the main window: files dropped onto the list are added
// to the open library, as "Add File(s)" adds them but without removing any
// original; a single .ZNT file dropped anywhere on the window opens that
// library.
class DropHandler : public QObject
{
    Q_OBJECT

public:
    // list: the widget that takes files (the grid's viewport).
    DropHandler(ProgramState& state, CommandContext& context, QWidget* list);

    // The local files a drop carries, in order; folders and other URLs left out.
    static QStringList droppedFiles(const QMimeData* mime);
    // The library a drop opens: its one file when that is a .ZNT file.
    static QString droppedLibrary(const QStringList& files);

    // What a drop does.
    void addFiles(const QStringList& files);
    void openLibrary(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether a drop of these files on watched would do something.
    bool wanted(const QObject* watched, const QStringList& files) const;

    ProgramState& m_state;
    CommandContext& m_context;
    QWidget* m_list;
};

} // namespace zentaro
