#pragma once

#include <QDate>
#include <QObject>

#include <functional>
#include <optional>

class QSplitter;
class QWidget;

namespace zentaro {

class CommandContext;
class ProgramState;
class Previewer;
class RecordPane;

// The record pane's behaviour around the current record: the tab switch
// between Details and Preview, the preview of the current record's file
// (extracted into the extraction folder), the refresh on every record
// change, the redraw after the splitter is dragged, and the File Date button.
class PreviewController : public QObject
{
    Q_OBJECT

public:
    // The date picker for the File Date button; none by default.
    using DatePicker = std::function<std::optional<QDate>(QWidget* parent)>;
    static DatePicker setDatePicker(DatePicker picker);

    // splitter: the main window's, whose handle's release refreshes a picture.
    PreviewController(ProgramState& state, CommandContext& context, QSplitter& splitter);

    // The record-change handler, after the fields show the new record.
    void followRecord();
    // Extracts and shows the current record's file when the Preview page is selected.
    void ShowPreview();
    void pageChosen(int page);
    void toggleAutoSize();
    void openUnpreviewable();
    void ChangeFileDate();
    void MainSplitter_SplitterEndDrag();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RecordPane& pane() const;
    Previewer& previewer() const;
    QString shownFileType() const;
    void focusList();
    // The class the previewer uses: the current record's file class.
    QString previewClass() const;

    ProgramState& m_state;
    CommandContext& m_context;
};

} // namespace zentaro
