#pragma once

#include "core/SettingsRecord.h"
#include "core/Status.h"
#include "store/MainRecord.h"
#include "ui/main/MainLayout.h"

#include <QFrame>
#include <QVariantMap>

#include <array>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace zentaro {

class Database;
class Previewer;

// MainPanel, the right pane: TitleBox, AuthorBox and KeywordsBox over the
// tab control DetailTab, whose Details page shows the stored file's facts and
// NotesBox, and whose Preview page is where the previewer goes. It shows one
// record, keeps what is typed into it until saved, and locks and colours the
// four editable fields.
class RecordPane : public QFrame
{
    Q_OBJECT

public:
    static constexpr int kDetailsPage = 0;
    static constexpr int kPreviewPage = 1;

    explicit RecordPane(double panelGap, QWidget* parent = nullptr);

    QLineEdit* titleBox() const { return m_titleBox; }
    QLineEdit* authorBox() const { return m_authorBox; }
    QLineEdit* keywordsBox() const { return m_keywordsBox; }
    QPlainTextEdit* notesBox() const { return m_notesBox; }
    QTabWidget* detailTab() const { return m_detailTab; }
    QWidget* previewPage() const { return m_previewPage; }
    Previewer* previewer() const { return m_previewer; }
    QLabel* fileNameBox() const { return m_facts[0].value; }
    QPushButton* changeFileDateButton() const { return m_fileDateButton; }
    // "Original File Name:  " and the shown name and a blank; rebuilt each
    // time the mouse enters the panel.
    void rebuildFileNameTooltip();
    // DetailTab's top in twips (below the three fields, or the panel gap
    // when the previewer is full height).
    void setDetailTabTop(double top) { m_tabTop = top; }
    // Title, Author and Keywords leave the keyboard order while previewing.
    void setFieldsInTabOrder(bool inOrder);

    // Shows record, or empty fields for none; typed changes are dropped.
    void showRecord(const MainRecord* record);
    // MainID of the record shown, 0 for none.
    qint64 shownId() const { return m_shownId; }
    // The fields typed into since the record was shown or saved, by field name.
    QVariantMap typedChanges() const;
    // Writes the typed changes to the shown record. They count as saved
    // even when writing fails, so a failure is reported once.
    Status saveTypedChanges(Database& database);

    void setFieldsLocked(bool locked);
    void ApplyFieldColors(const SettingsRecord& settings);
    void showDetailsPage();

    // Places the fields and the tab control by the pane's size.
    void layoutPane();

Q_SIGNALS:
    void fileDateClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutDetailsPage();
    void layoutPreviewPage();

    double m_gap;
    QLabel* m_titleLabel = nullptr;
    QLabel* m_authorLabel = nullptr;
    QLabel* m_keywordsLabel = nullptr;
    QLineEdit* m_titleBox = nullptr;
    QLineEdit* m_authorBox = nullptr;
    QLineEdit* m_keywordsBox = nullptr;
    QTabWidget* m_detailTab = nullptr;
    QWidget* m_detailsPage = nullptr;
    QWidget* m_previewPage = nullptr;
    QPlainTextEdit* m_notesBox = nullptr;
    QLabel* m_notesLabel = nullptr;
    struct FactPanel
    {
        QWidget* caption = nullptr;
        QLabel* value = nullptr;
        QString field;
    };
    std::array<FactPanel, 6> m_facts;
    MainLayout::RecordPane m_layout;
    qint64 m_shownId = 0;
    Previewer* m_previewer = nullptr;
    QPushButton* m_fileDateButton = nullptr;
    MainLayout::PreviewArea m_previewArea;
    double m_tabTop = MainLayout::kDetailTabTop;
};

} // namespace zentaro
