#pragma once

#include "core/Status.h"
#include "ui/print/PrintRequest.h"

#include <QDialog>
#include <QFont>
#include <QStringList>

#include <functional>
#include <optional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zentaro {

class ProgramState;

// "Print List": printer, copies, columns, rows, title and the two print
// fonts. Print saves the fonts to the settings and hands back a request;
// Cancel hands back nothing and saves nothing.
class PrintListForm : public QDialog
{
    Q_OBJECT

public:
    static inline const QString kPdfEntry = QStringLiteral("PDF file");
    static inline const QString kDefaultTitle = QStringLiteral("Media List");

    struct Printers
    {
        QStringList names; // in the system's order
        QString defaultName;
        // The installed printers (QPrinterInfo).
        static Printers installed();
    };

    // The dialogs this one opens, and where the fonts are saved; each empty
    // one is the real thing (QFontDialog, QFileDialog, SettingsFile).
    struct Seams
    {
        // The font chosen from current; nothing on Cancel.
        std::function<std::optional<QFont>(QWidget* parent, const QFont& current)> chooseFont;
        // A PDF file name; empty on Cancel.
        std::function<QString(QWidget* parent)> choosePdfFile;
        std::optional<Printers> printers;
        std::function<Status()> saveSettings;
    };

    // rowsSelected: whether the grid has selected rows.
    PrintListForm(ProgramState& state, bool rowsSelected, Seams seams = {}, QWidget* parent = nullptr);

    // Shows the dialog modally.
    static std::optional<PrintRequest> ask(QWidget* parent, ProgramState& state, bool rowsSelected,
                                           Seams seams = {});

    // The request after Print; nothing before it or after Cancel.
    const std::optional<PrintRequest>& request() const { return m_request; }

    QFont headerFont() const { return m_headerFont; }
    QFont listFont() const { return m_listFont; }

    static QFont fontFromSettings(const QString& name, int size, bool bold, bool italic);

private:
    void print();
    void changeFont(QFont& font, QLabel* panel);
    void updateColumnList();
    static void showFont(QLabel* panel, const QFont& font);

    ProgramState& m_state;
    Seams m_seams;
    std::optional<PrintRequest> m_request;
    QFont m_headerFont;
    QFont m_listFont;

    QComboBox* m_printerList = nullptr;
    QLineEdit* m_copiesBox = nullptr;
    QRadioButton* m_allColumns = nullptr;
    QRadioButton* m_firstColumns = nullptr;
    QComboBox* m_columnList = nullptr;
    QRadioButton* m_allRows = nullptr;
    QRadioButton* m_selectedRows = nullptr;
    QLineEdit* m_titleBox = nullptr;
    QLabel* m_headerFontPanel = nullptr;
    QLabel* m_listFontPanel = nullptr;
};

} // namespace zentaro
