#pragma once

#include "core/SettingsRecord.h"
#include "core/Status.h"

#include <QColor>
#include <QDialog>
#include <QFont>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace zentaro {

class ListModel;

// "ZNT Configuration Settings": the local program settings and the look of
// the list grid, on the pages General, List View and File View. Only Apply
// (also run by OK) writes anything; Cancel leaves what an earlier Apply did.
class ConfigForm : public QDialog
{
    Q_OBJECT

public:
    // What the dialog edits besides the settings record.
    struct Targets
    {
        QTableView* grid = nullptr; // GridMain: columns, fonts, colours
        ListModel* model = nullptr; // its columns' bound fields
        std::function<void()> applyFieldColors;
        std::function<Status()> saveSettings;
    };
    struct FontChoice
    {
        QFont font;
        QColor color;
    };
    // The platform's choosers; each answers nothing for Cancel.
    struct Choosers
    {
        std::function<std::optional<QString>(QWidget* parent, const QString& startPath)> file;
        // withColor: the text colour is chosen too ("List Font").
        std::function<std::optional<FontChoice>(QWidget* parent, const FontChoice& preset, bool withColor)> font;
        std::function<std::optional<QColor>(QWidget* parent, const QColor& preset)> color;

        static Choosers platform();
    };

    static inline const QString kFileChooserTitle = QStringLiteral("Choose Default Library File");
    static inline const QString kFileChooserFilter = QStringLiteral("ZNT Library Files (*.znt *.ZNT)");
    static inline const QStringList kFieldNames = {
        QStringLiteral("Title"),    QStringLiteral("Author"),        QStringLiteral("Keywords"),
        QStringLiteral("FileName"), QStringLiteral("FileType"),      QStringLiteral("FileSize"),
        QStringLiteral("FileDate"), QStringLiteral("InsertionDate"), QStringLiteral("LastUpdatedDate"),
        QStringLiteral("Notes")};

    ConfigForm(SettingsRecord& settings, Targets targets, QWidget* parent = nullptr);

    void setChoosers(Choosers choosers) { m_choosers = std::move(choosers); }

    // Commits every page, in the documented order, then saves the settings.
    void Apply();

    // The wipe amount from its field: the leading number of text (none
    // counts as 0) kept within 100..32000, the field corrected when it was
    // outside; the value is rounded to a whole number.
    static std::int32_t WipeAmountFrom(QString& text);

    QTabWidget* pages() const { return m_pages; }
    QCheckBox* netExclusiveBox() const { return m_netExclusive; }
    QLineEdit* defaultLibraryBox() const { return m_defaultLibrary; }
    QComboBox* editDetectCombo() const { return m_editDetect; }
    QCheckBox* swOption() const { return m_swOption; }
    QLineEdit* swQty() const { return m_swQty; }
    QComboBox* columnCombo(int i) const { return m_columns[std::size_t(i)]; }
    QLineEdit* text1() const { return m_text1; }
    QLabel* sampleHeader() const { return m_sampleHeader; }
    QLineEdit* fvText() const { return m_fvText; }
    QCheckBox* autoStartOption() const { return m_autoStart; }
    QCheckBox* autoRewindOption() const { return m_autoRewind; }
    QCheckBox* previewFullHeightOption() const { return m_previewFullHeight; }
    QPushButton* button(const QString& name) const;

private:
    void buildGeneralPage();
    void buildListViewPage();
    void buildFileViewPage();
    void load();

    void changeDefaultLibrary();
    void chooseListFont();
    void chooseBackgroundColor();
    void chooseHeaderFont();
    void chooseFieldTextColor();
    void chooseFieldBackground();

    SettingsRecord& m_settings;
    Targets m_targets;
    Choosers m_choosers;

    QTabWidget* m_pages = nullptr;
    QCheckBox* m_netExclusive = nullptr;
    QLineEdit* m_defaultLibrary = nullptr;
    QComboBox* m_editDetect = nullptr;
    QCheckBox* m_swOption = nullptr;
    QLineEdit* m_swQty = nullptr;
    std::array<QComboBox*, kGridColumnCount> m_columns{};
    QLineEdit* m_text1 = nullptr;
    QLabel* m_sampleHeader = nullptr;
    QLineEdit* m_fvText = nullptr;
    QCheckBox* m_autoStart = nullptr;
    QCheckBox* m_autoRewind = nullptr;
    QCheckBox* m_previewFullHeight = nullptr;
};

} // namespace zentaro
