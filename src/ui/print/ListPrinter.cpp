#include "ui/print/ListPrinter.h"

#include "core/ProgramState.h"
#include "core/SettingsRecord.h"
#include "search/ListModel.h"
#include "ui/common/MGCForm.h"
#include "ui/main/ListPane.h"
#include "ui/print/PrintLayout.h"
#include "ui/print/PrintListForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPrinter>
#include <QTableView>
#include <QTemporaryFile>

#include <algorithm>

namespace zentaro {

namespace {

constexpr double kTwipsPerInch = 1440.0;
// Blank space between a cell's text and the next column (1/16 inch).
constexpr double kColumnGapTwips = 90.0;

} // namespace

ListPrinter::ListPrinter(ProgramState& state, ListPane& list, QWidget* progressParent)
    : m_state(state), m_list(list), m_parent(progressParent)
{
}

ListPrinter::~ListPrinter()
{
    delete m_progress;
}

QFont ListPrinter::titleFont()
{
    return PrintListForm::fontFromSettings(QStringLiteral("Arial"), 12, true, false);
}

std::vector<int> ListPrinter::rowsToPrint(bool selectedOnly) const
{
    std::vector<int> rows;
    if (selectedOnly) {
        const QModelIndexList selected = m_list.grid()->selectionModel()->selectedRows();
        rows.reserve(std::size_t(selected.size()));
        for (const QModelIndex& index : selected)
            rows.push_back(index.row());
        // Printed in the order of the list, however they were picked.
        std::sort(rows.begin(), rows.end());
    } else {
        rows.resize(std::size_t(m_list.model()->rowCount()));
        for (std::size_t r = 0; r < rows.size(); ++r)
            rows[r] = int(r);
    }
    return rows;
}

void ListPrinter::collectColumns(int count)
{
    // The columns as the user sees them, with their widths as they are kept.
    SettingsRecord shown;
    m_list.collectGridSettings(shown);
    const QHeaderView* header = m_list.grid()->horizontalHeader();
    m_columns.clear();
    m_widths.clear();
    for (int visual = 0; visual < kGridColumnCount && visual < count; ++visual) {
        Column column;
        column.logical = header->logicalIndex(visual);
        column.caption = m_list.model()->headerData(column.logical, Qt::Horizontal).toString();
        column.notes = m_list.model()->columnField(column.logical) == QStringLiteral("Notes");
        m_columns.push_back(column);
        m_widths.push_back(shown.ColumnWidths[std::size_t(visual)]);
    }
}

void ListPrinter::configure(QPrinter& printer, const PrintRequest& request, const QString& file) const
{
    if (request.toPdf()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
    } else {
        printer.setPrinterName(request.printerName);
    }
    printer.setDocName(request.title);
    printer.setCopyCount(1);
}

Status ListPrinter::PrintList(const PrintRequest& request)
{
    m_jobs = 0;
    m_files.clear();
    m_state.CancelRequested = false;

    delete m_progress;
    m_progress = new MGCForm(m_parent, &m_state);
    m_progress->setAttribute(Qt::WA_DeleteOnClose, false);
    m_progress->setWindowModality(Qt::ApplicationModal);
    m_progress->setText(QStringLiteral("Printing..."));
    m_progress->showNow();

    const std::vector<int> rows = rowsToPrint(request.selectedOnly);
    collectColumns(request.columnCount);

    Status result;
    for (int copy = 1; copy <= request.copies; ++copy) {
        result = printCopy(request, copy, rows);
        if (!result)
            break;
        ++m_jobs;
    }
    if (m_progress)
        m_progress->hide();
    return result;
}

Status ListPrinter::printCopy(const PrintRequest& request, int copy, const std::vector<int>& rows)
{
    const QString target = request.toPdf() ? PrintLayout::CopyFileName(request.pdfFile, copy) : QString();
    // A PDF copy is written beside its name and only takes it once complete.
    QTemporaryFile partial;
    if (request.toPdf()) {
        const QFileInfo info(target);
        partial.setFileTemplate(QDir(info.absolutePath()).filePath(QStringLiteral(".%1.XXXXXX.part").arg(info.fileName())));
        if (!partial.open())
            return Status::failure(ErrorCode::Io, QStringLiteral("The list could not be written to %1.")
                                                      .arg(QDir::toNativeSeparators(target)));
        partial.close();
    }

    QPrinter printer(QPrinter::HighResolution);
    configure(printer, request, partial.fileName());
    const double dpi = printer.resolution();
    auto toTwips = [dpi](double pixels) { return pixels * kTwipsPerInch / dpi; };
    auto toPixels = [dpi](double twips) { return twips * dpi / kTwipsPerInch; };

    const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
    const double width = toTwips(area.width());
    QFont title = titleFont();
    const SettingsRecord& s = m_state.Settings;
    QFont header = PrintListForm::fontFromSettings(s.PrintHeaderFontName, s.PrintHeaderFontSize,
                                                         s.PrintHeaderFontBold, s.PrintHeaderFontItalic);
    QFont rowFont = PrintListForm::fontFromSettings(s.PrintListFontName, s.PrintListFontSize,
                                                          s.PrintListFontBold, s.PrintListFontItalic);
    // No ligatures: a name copied out of the PDF must read as it was typed.
    for (QFont* font : {&title, &header, &rowFont})
        font->setStyleStrategy(QFont::PreferNoShaping);
    const QFontMetricsF titleMetrics(title, &printer);
    const QFontMetricsF headerMetrics(header, &printer);
    const QFontMetricsF rowMetrics(rowFont, &printer);
    const double titleLine = toTwips(titleMetrics.lineSpacing());
    const double headerLine = toTwips(headerMetrics.lineSpacing());

    PrintLayout::Pages pages;
    pages.pageHeight = toTwips(area.height());
    // Title and an empty line, captions and an empty line, the rule's line.
    pages.headerHeight = 2 * titleLine + 3 * headerLine;
    pages.rowHeight = toTwips(rowMetrics.lineSpacing());
    const std::vector<double> left =
        PrintLayout::ColumnLeft(m_widths, static_cast<int>(m_columns.size()), width);
    const std::vector<double> room = PrintLayout::CellWidths(left, kColumnGapTwips);

    // The whole copy is read first: until its job starts, Cancel costs nothing.
    const ListModel* model = m_list.model();
    std::vector<QStringList> lines(rows.size());
    QString shownTitle;
    int shownPercent = -1;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        QStringList& cells = lines[r];
        cells.reserve(qsizetype(m_columns.size()));
        for (const Column& column : m_columns) {
            if (column.notes)
                cells.push_back(QString());
            else
                cells.push_back(model->data(model->index(rows[r], column.logical), Qt::DisplayRole).toString().trimmed());
        }
        const QString progressTitle = PrintLayout::ProgressTitle(copy, pages.pageOfRow(int(r)));
        if (m_progress && progressTitle != shownTitle) {
            shownTitle = progressTitle;
            m_progress->setWindowTitle(progressTitle);
        }
        const int percent = int((r + 1) * 100 / rows.size());
        if (m_progress && percent != shownPercent) {
            shownPercent = percent;
            m_progress->setPercent(percent);
        }
        QCoreApplication::processEvents();
        if (m_observer)
            m_observer(copy, int(r));
        if (m_state.CancelRequested || !m_progress)
            return Status::failure(ErrorCode::Cancelled, QStringLiteral("Cancelled."));
    }

    QPainter painter;
    if (!painter.begin(&printer)) {
        if (request.toPdf())
            return Status::failure(ErrorCode::Io, QStringLiteral("The list could not be written to %1.")
                                                      .arg(QDir::toNativeSeparators(target)));
        return Status::failure(ErrorCode::Io,
                               QStringLiteral("The printer %1 could not be started.").arg(request.printerName));
    }
    // A text wider than its room ends in an ellipsis instead of running over
    // the next column or off the page; where not even that fits, nothing shows.
    auto drawAt = [&](double leftTwips, double topTwips, double roomTwips, const QFontMetricsF& metrics,
                      const QString& text) {
        if (text.isEmpty())
            return;
        const double roomPixels = toPixels(roomTwips);
        const QString shown = metrics.elidedText(text, Qt::ElideRight, roomPixels);
        if (shown.isEmpty() || metrics.horizontalAdvance(shown) > roomPixels)
            return;
        painter.drawText(QPointF(toPixels(leftTwips), toPixels(topTwips) + metrics.ascent()), shown);
    };

    painter.setFont(title);
    drawAt(0, 0, width, titleMetrics, request.title);
    painter.setFont(header);
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        drawAt(left[c], 2 * titleLine, room[c], headerMetrics, m_columns[c].caption);
    const double ruleTop = 2 * titleLine + 2 * headerLine;
    painter.setPen(QPen(Qt::black, std::max(1.0, dpi / 144)));
    painter.drawLine(QPointF(0, toPixels(ruleTop)), QPointF(toPixels(width), toPixels(ruleTop)));

    painter.setFont(rowFont);
    int page = 1;
    for (std::size_t r = 0; r < lines.size(); ++r) {
        const int rowPage = pages.pageOfRow(int(r));
        if (rowPage != page) {
            page = rowPage;
            printer.newPage();
            painter.setFont(rowFont);
            // A cancel between pages still leaves nothing of this copy.
            QCoreApplication::processEvents();
            if (m_state.CancelRequested || !m_progress) {
                printer.abort();
                painter.end();
                return Status::failure(ErrorCode::Cancelled, QStringLiteral("Cancelled."));
            }
        }
        const double top = pages.rowTop(int(r));
        for (std::size_t c = 0; c < m_columns.size(); ++c)
            drawAt(left[c], top, room[c], rowMetrics, lines[r][qsizetype(c)]);
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return Status::failure(ErrorCode::Io, request.toPdf()
                                                  ? QStringLiteral("The list could not be written to %1.")
                                                        .arg(QDir::toNativeSeparators(target))
                                                  : QStringLiteral("The printer %1 reported an error.")
                                                        .arg(request.printerName));

    if (request.toPdf()) {
        if (QFile::exists(target))
            QFile::remove(target);
        if (!QFile::rename(partial.fileName(), target))
            return Status::failure(ErrorCode::Io, QStringLiteral("The list could not be written to %1.")
                                                      .arg(QDir::toNativeSeparators(target)));
        partial.setAutoRemove(false);
        m_files << target;
    }
    return Status::success();
}

} // namespace zentaro
