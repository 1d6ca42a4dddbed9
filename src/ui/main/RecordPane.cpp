#include "ui/main/RecordPane.h"

#include "search/ListModel.h"
#include "store/Database.h"
#include "ui/main/ResizePanel.h"
#include "ui/main/FieldColors.h"
#include "ui/main/TwipsGeometry.h"
#include "ui/preview/MediaBox.h"
#include "ui/preview/Previewer.h"

#include <QEvent>
#include <QPushButton>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

#include <algorithm>
#include <utility>

namespace zentaro {

namespace {

// The facts of the stored file beside the notes: caption, field and tooltip.
struct FactSpec
{
    const char* name;
    const char* caption;
    const char* field;
    const char* tooltip;
    double top;
};

constexpr FactSpec kFactSpecs[] = {
    {"FileNameBox", "File Name", "FileName", "Original File Name", 750},
    {"FileTypeBox", "Type (Extension)", "FileType", "Extension of File which designates its type", 1260},
    {"SizeBox", "File Size (Bytes)", "FileSize", "Size of File in Bytes", 1770},
    {"FileDateBox", "File Date", "FileDate", "Date of File (by default, the date original file was created)", 2310},
    {"InsertionDateBox", "Library Insertion Date", "InsertionDate", "Date that the file was inserted into the library", 2880},
    {"LastEditedBox", "Last Updated Date", "LastUpdatedDate", "Date that the file was last extracted, edited and placed back", 3450},
};
constexpr double kFactLeft = 100;
constexpr double kFactWidth = 2000;
constexpr double kFactHeight = 225;
constexpr double kFactCaptionHeight = 210;

} // namespace

RecordPane::RecordPane(double panelGap, QWidget* parent)
    : QFrame(parent), m_gap(panelGap), m_layout(MainLayout::DesignRecordPane(panelGap))
{
    setObjectName(QStringLiteral("MainPanel"));

    auto makeField = [this](const QString& name, const QString& labelName, const QString& caption,
                            const QString& tooltip, QLabel** label) {
        *label = new QLabel(caption, this);
        (*label)->setObjectName(labelName);
        (*label)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        auto* box = new QLineEdit(this);
        box->setObjectName(name);
        box->setToolTip(tooltip);
        (*label)->setBuddy(box);
        return box;
    };
    m_titleBox = makeField(QStringLiteral("TitleBox"), QStringLiteral("TitleLabel"), QStringLiteral("Title"),
                           QStringLiteral("Title or Descriptive Name for File"), &m_titleLabel);
    m_authorBox = makeField(QStringLiteral("AuthorBox"), QStringLiteral("AuthorLabel"), QStringLiteral("Author(s)"),
                            QStringLiteral("Creator(s) of the File (Artist, Author, Creator, etc...)"),
                            &m_authorLabel);
    m_keywordsBox = makeField(QStringLiteral("KeywordsBox"), QStringLiteral("KeywordsLabel"),
                              QStringLiteral("Keywords"),
                              QStringLiteral("Keywords that help identify and categorize the file."),
                              &m_keywordsLabel);

    m_detailTab = new QTabWidget(this);
    m_detailTab->setObjectName(QStringLiteral("DetailTab"));
    auto* details = new ResizePanel(QStringLiteral("DetailsPage"));
    connect(details, &ResizePanel::resized, this, &RecordPane::layoutDetailsPage);
    m_detailsPage = details;
    m_detailTab->addTab(m_detailsPage, QStringLiteral("&Details"));
    // The previewer fills this page.
    m_previewPage = new ResizePanel(QStringLiteral("PreviewPage"));
    m_detailTab->addTab(m_previewPage, QStringLiteral("&Preview"));
    m_previewer = new Previewer(m_previewPage);
    connect(static_cast<ResizePanel*>(m_previewPage), &ResizePanel::resized, this, &RecordPane::layoutPreviewPage);

    for (std::size_t i = 0; i < m_facts.size(); ++i) {
        const FactSpec& item = kFactSpecs[i];
        FactPanel& fact = m_facts[i];
        fact.field = QString::fromLatin1(item.field);
        if (fact.field == QLatin1String("FileDate")) {
            m_fileDateButton = new QPushButton(QString::fromLatin1(item.caption), m_detailsPage);
            m_fileDateButton->setObjectName(QStringLiteral("ChangeFileDateButton"));
            connect(m_fileDateButton, &QPushButton::clicked, this, &RecordPane::fileDateClicked);
            fact.caption = m_fileDateButton;
        } else {
            fact.caption = new QLabel(QString::fromLatin1(item.caption), m_detailsPage);
            fact.caption->setObjectName(QString::fromLatin1(item.name).replace(QLatin1String("Box"),
                                                                                QLatin1String("Label")));
        }
        fact.value = new QLabel(m_detailsPage);
        fact.value->setObjectName(QString::fromLatin1(item.name));
        fact.value->setToolTip(QString::fromLatin1(item.tooltip));
        fact.value->setFrameShape(QFrame::StyledPanel);
        fact.value->setFrameShadow(QFrame::Sunken);
        fact.value->setTextFormat(Qt::PlainText);
        fact.value->setIndent(TwipsGeometry::pixelsX(this, 30));
        fact.value->setBackgroundRole(QPalette::Base);
        fact.value->setAutoFillBackground(true);
    }
    m_notesLabel = new QLabel(QStringLiteral("Notes"), m_detailsPage);
    m_notesLabel->setObjectName(QStringLiteral("NotesLabel"));
    m_notesBox = new QPlainTextEdit(m_detailsPage);
    m_notesBox->setObjectName(QStringLiteral("NotesBox"));
    m_notesLabel->setBuddy(m_notesBox);
    m_facts[0].value->installEventFilter(this);
}

void RecordPane::rebuildFileNameTooltip()
{
    m_facts[0].value->setToolTip(QStringLiteral("Original File Name:  ") + m_facts[0].value->text() +
                                 QLatin1Char(' '));
}

bool RecordPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_facts[0].value && event->type() == QEvent::Enter)
        rebuildFileNameTooltip();
    return QFrame::eventFilter(watched, event);
}

void RecordPane::setFieldsInTabOrder(bool inOrder)
{
    for (QLineEdit* box : {m_titleBox, m_authorBox, m_keywordsBox})
        box->setFocusPolicy(inOrder ? Qt::StrongFocus : Qt::ClickFocus);
}

void RecordPane::showRecord(const MainRecord* record)
{
    const MainRecord none;
    const MainRecord& shown = record ? *record : none;
    m_shownId = record ? record->MainID : 0;
    m_titleBox->setText(shown.Title);
    m_authorBox->setText(shown.Author);
    m_keywordsBox->setText(shown.Keywords);
    m_notesBox->setPlainText(shown.Notes);
    m_notesBox->document()->setModified(false);
    for (const FactPanel& fact : m_facts)
        fact.value->setText(record ? ListModel::displayText(shown, fact.field) : QString());
    m_titleBox->setCursorPosition(0);
    m_authorBox->setCursorPosition(0);
    m_keywordsBox->setCursorPosition(0);
}

QVariantMap RecordPane::typedChanges() const
{
    QVariantMap values;
    if (m_shownId == 0)
        return values;
    if (m_titleBox->isModified())
        values.insert(QStringLiteral("Title"), m_titleBox->text());
    if (m_authorBox->isModified())
        values.insert(QStringLiteral("Author"), m_authorBox->text());
    if (m_keywordsBox->isModified())
        values.insert(QStringLiteral("Keywords"), m_keywordsBox->text());
    if (m_notesBox->document()->isModified())
        values.insert(QStringLiteral("Notes"), m_notesBox->toPlainText());
    return values;
}

Status RecordPane::saveTypedChanges(Database& database)
{
    const QVariantMap values = typedChanges();
    if (values.isEmpty())
        return Status::success();
    m_titleBox->setModified(false);
    m_authorBox->setModified(false);
    m_keywordsBox->setModified(false);
    m_notesBox->document()->setModified(false);
    return database.updateFields(m_shownId, values);
}

void RecordPane::setFieldsLocked(bool locked)
{
    m_titleBox->setReadOnly(locked);
    m_authorBox->setReadOnly(locked);
    m_keywordsBox->setReadOnly(locked);
    m_notesBox->setReadOnly(locked);
    m_fileDateButton->setEnabled(!locked);
}

void RecordPane::ApplyFieldColors(const SettingsRecord& settings)
{
    const QColor text = FieldColors::fromSetting(settings.FieldViewForeColor);
    const QColor back = FieldColors::fromSetting(settings.FieldViewBackColor);
    for (QWidget* box : {static_cast<QWidget*>(m_titleBox), static_cast<QWidget*>(m_authorBox),
                         static_cast<QWidget*>(m_keywordsBox), static_cast<QWidget*>(m_notesBox)})
        FieldColors::setTextColors(box, text, back);
    m_previewer->movieBox()->setAutoRewind(settings.AutoRewind);
}

void RecordPane::showDetailsPage()
{
    m_detailTab->setCurrentIndex(kDetailsPage);
}

void RecordPane::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutPane();
}

void RecordPane::layoutPane()
{
    m_layout.detailTab.top = m_tabTop;
    m_layout = MainLayout::MainPanelLayout(TwipsGeometry::twipsX(this, width()), TwipsGeometry::twipsY(this, height()),
                                           m_gap, m_layout);
    const int labelLeft = TwipsGeometry::pixelsX(this, m_gap);
    auto placeField = [&](QLabel* label, QLineEdit* box, const TwipsRect& rect) {
        TwipsGeometry::place(box, rect, box->minimumSizeHint().height());
        // A font wider than the design's moves the box right of its caption.
        const int needed = labelLeft + label->sizeHint().width() + 3;
        if (box->x() < needed) {
            const int right = box->geometry().right();
            box->setGeometry(needed, box->y(), std::max(1, right - needed + 1), box->height());
        }
        label->setGeometry(labelLeft, box->y(), std::max(0, box->x() - labelLeft - 3), box->height());
    };
    placeField(m_titleLabel, m_titleBox, m_layout.titleBox);
    placeField(m_authorLabel, m_authorBox, m_layout.authorBox);
    placeField(m_keywordsLabel, m_keywordsBox, m_layout.keywordsBox);
    // The tab control starts below the fields even when the font needs taller boxes.
    TwipsRect tab = m_layout.detailTab;
    const double below = TwipsGeometry::twipsY(this, m_keywordsBox->geometry().bottom() + 1) + m_gap;
    if (below > tab.top && m_tabTop >= MainLayout::kDetailTabTop) {
        tab.height = std::max(1.0, tab.height - (below - tab.top));
        tab.top = below;
    }
    TwipsGeometry::place(m_detailTab, tab);
    // A full-height previewer is laid over the fields; beside its tabs the tab
    // control paints nothing, so the rows under it are hidden, not half shown.
    for (const auto& [label, box] : {std::pair{m_titleLabel, m_titleBox}, std::pair{m_authorLabel, m_authorBox},
                                     std::pair{m_keywordsLabel, m_keywordsBox}}) {
        const bool covered = m_detailTab->geometry().top() <= box->geometry().bottom();
        label->setHidden(covered);
        box->setHidden(covered);
    }
    layoutDetailsPage();
    layoutPreviewPage();
}

void RecordPane::layoutPreviewPage()
{
    const QPoint origin = m_previewPage->mapTo(m_detailTab, QPoint(0, 0));
    const double originX = TwipsGeometry::twipsX(this, origin.x());
    const double originY = TwipsGeometry::twipsY(this, origin.y());
    m_previewer->setGeometry(m_previewPage->rect());
    m_previewArea = MainLayout::PreviewPlacement(
        TwipsGeometry::twipsX(this, m_detailTab->width()), TwipsGeometry::twipsY(this, m_detailTab->height()),
        originY, m_gap, m_previewer->fileClass() == QLatin1String("Audio"), m_previewArea);
    m_previewer->place(m_previewArea, originX, originY);
}

void RecordPane::layoutDetailsPage()
{
    // The notes box is placed in the tab control's coordinates; the page sits
    // below the tab strip.
    const QPoint origin = m_detailsPage->mapTo(m_detailTab, QPoint(0, 0));
    const double offsetX = TwipsGeometry::twipsX(this, origin.x());
    const double offsetY = TwipsGeometry::twipsY(this, origin.y());
    const double gap = m_gap;

    const int factHeight = std::max(TwipsGeometry::pixelsY(this, kFactHeight), fontMetrics().height() + 4);
    const int captionHeight = std::max(TwipsGeometry::pixelsY(this, kFactCaptionHeight), fontMetrics().height());
    // The facts keep their design spacing, or closer to the top on a large font.
    const double step = std::max(510.0, TwipsGeometry::twipsY(this, factHeight + captionHeight) + 60);
    double top = std::max(gap, kFactSpecs[0].top - offsetY);
    for (const FactPanel& fact : m_facts) {
        const int x = TwipsGeometry::pixelsX(this, kFactLeft - offsetX > 0 ? kFactLeft - offsetX : gap);
        const int y = TwipsGeometry::pixelsY(this, top);
        fact.caption->setGeometry(x, y - captionHeight, TwipsGeometry::pixelsX(this, kFactWidth), captionHeight);
        fact.value->setGeometry(x, y, TwipsGeometry::pixelsX(this, kFactWidth), factHeight);
        top += step;
    }

    const TwipsRect& notes = m_layout.notesBox;
    const int notesX = TwipsGeometry::pixelsX(this, notes.left - offsetX);
    const int notesY =
        std::max(TwipsGeometry::pixelsY(this, notes.top - offsetY), captionHeight + TwipsGeometry::pixelsY(this, gap) / 2);
    const int notesBottom = m_detailsPage->height() - TwipsGeometry::pixelsY(this, gap);
    const int notesRight = m_detailsPage->width() - TwipsGeometry::pixelsX(this, gap);
    m_notesLabel->setGeometry(notesX, notesY - captionHeight, std::max(0, notesRight - notesX), captionHeight);
    if (notesBottom - notesY > 0 && notesRight - notesX > 0)
        m_notesBox->setGeometry(notesX, notesY, notesRight - notesX, notesBottom - notesY);
}

} // namespace zentaro
