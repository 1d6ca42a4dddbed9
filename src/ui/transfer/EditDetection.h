#pragma once

#include "transfer/EditWatch.h"

#include <QObject>

class QAction;
class QTimer;

namespace zentaro {

class CommandContext;
class ProgramState;

// Edit detection in the main window: the FileMonitor timer (500 ms) watches
// the copy opened with "Extract and Open", and on a change OfferReInsertion
// shows the blinking InsertBackButton (InsertBackTimer, 333 ms), asks, or
// re-inserts at once, as EditDetectMode says. The watch ends when the
// record is left.
class EditDetection : public QObject
{
    Q_OBJECT

public:
    EditDetection(ProgramState& state, CommandContext& context,
                  EditWatch::StatFunction stat = &EditWatch::SystemStat);

    // After a successful "Extract and Open" of record mainId to path.
    void startWatch(const QString& path, qint64 mainId);
    // Stops the watch; the button stays as it is.
    void stop();
    // The record shown now; leaving the watched one ends the watch, hides
    // the button and stops its blinking.
    void recordShown(qint64 mainId);

    // One FileMonitor tick: asks the file system about the copy once.
    void monitorTick();
    void OfferReInsertion();
    // InsertBackButton: re-inserts the copy as it is now.
    void reInsertOnRequest();

    bool watching() const { return m_watch.watching(); }
    QTimer* fileMonitor() const { return m_monitor; }
    QTimer* insertBackTimer() const { return m_blink; }
    QAction* insertBackButton() const { return m_button; }

    static QString QuestionText(const QString& newLine);

private:
    void blinkTick();
    void hideButton();
    void reInsert();

    ProgramState& m_state;
    CommandContext& m_context;
    EditWatch m_watch;
    QTimer* m_monitor = nullptr;
    QTimer* m_blink = nullptr;
    QAction* m_button = nullptr;
    qint64 m_watchedId = 0;   // the record the copy belongs to
    qint64 m_offeredId = 0;   // the record the button stands for
};

} // namespace zentaro
