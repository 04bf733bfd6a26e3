// Renders the user guide from its Markdown text into a PDF, with the
// screenshots it links, so the guide is rebuilt from text kept in the
// repository at every build.
//
// The pictures are read from the guide's folder and put into the document
// before layout (a picture that cannot be read fails the build, so a guide
// without its pictures is never shipped), scaled down to the text width
// when wider. Pages are laid out by the document itself; a heading (or a
// paragraph leading in with ':') that would end a page is moved to the next
// one with its text, and a table that fits on a page is not cut.
//
// Usage: make_guide GUIDE.md OUTPUT.pdf
#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kResolution = 96;            // device pixels per inch: the document's own unit
constexpr double kMarginMm = 18.0;
constexpr int kFooterHeight = 28;          // below the text: the page number, pixels
constexpr int kFontPoints = 10;
constexpr int kMaxLayoutPasses = 64;       // each pass moves at least one heading or table
constexpr double kCellPadding = 3;

struct Picture {
    int nStart;     // document position of the picture's character
    QString sName;
};

std::vector<Picture> FindPictures(const QTextDocument& doc)
{
    std::vector<Picture> pictures;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().isImageFormat())
                pictures.push_back({fragment.position(), fragment.charFormat().toImageFormat().name()});
        }
    }
    return pictures;
}

// Loads every picture the text names from sBaseDir into the document and
// gives it its size on the page. False (with a message) when one is missing.
bool EmbedPictures(QTextDocument& doc, const QString& sBaseDir, double dTextWidth)
{
    for (const Picture& picture : FindPictures(doc)) {
        const QString path = QFileInfo(picture.sName).isAbsolute() ? picture.sName : sBaseDir + "/" + picture.sName;
        const QImage image(path);
        if (image.isNull()) {
            std::fprintf(stderr, "make_guide: cannot read the picture '%s'\n", path.toLocal8Bit().constData());
            return false;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(picture.sName), image);
        // Screenshots are drawn at their pixel size, narrower than the text
        // when they can be, so their letters match the guide's.
        const double width = std::min<double>(image.width(), dTextWidth);
        QTextCursor cursor(&doc);
        cursor.setPosition(picture.nStart);
        cursor.setPosition(picture.nStart + 1, QTextCursor::KeepAnchor);
        QTextImageFormat format = cursor.charFormat().toImageFormat();
        format.setWidth(width);
        format.setHeight(width * image.height() / image.width());
        cursor.setCharFormat(format);
    }
    return true;
}

// Tables get room around their text and single rules.
void StyleTables(QTextDocument& doc)
{
    for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        QTextTable* table = qobject_cast<QTextTable*>(it.currentFrame());
        if (table == nullptr)
            continue;
        QTextTableFormat format = table->format();
        format.setCellPadding(kCellPadding);
        format.setCellSpacing(0);
        format.setBorderCollapse(true);
        format.setBorder(0.5);
        table->setFormat(format);
    }
}

int PageOf(double dY, double dPageHeight)
{
    return static_cast<int>(std::floor(dY / dPageHeight));
}

// One piece of the page flow: a paragraph of the root frame, or a whole
// table.
struct FlowItem {
    QTextBlock block;            // a paragraph, or
    QTextTable* pTable = nullptr;
    double dTop = 0;             // where its first line starts
    double dFirstLine = 0;       // where its first line ends
    double dBottom = 0;
    bool bKeepWithNext = false;  // a heading, or a paragraph that leads in (ends with ':')
};

std::vector<FlowItem> FlowItems(QTextDocument& doc)
{
    std::vector<FlowItem> items;
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        FlowItem item;
        if (QTextFrame* frame = it.currentFrame()) {
            item.pTable = qobject_cast<QTextTable*>(frame);
            if (item.pTable == nullptr)
                continue;
            const QRectF rect = layout->frameBoundingRect(frame);
            item.dTop = rect.top();
            item.dBottom = rect.bottom();
            const QTextBlock first = item.pTable->cellAt(0, 0).firstCursorPosition().block();
            item.dFirstLine = layout->blockBoundingRect(first).bottom();
        } else {
            item.block = it.currentBlock();
            const QRectF rect = layout->blockBoundingRect(item.block);
            item.dTop = rect.top();
            item.dBottom = rect.bottom();
            item.dFirstLine = rect.top();
            if (item.block.layout() != nullptr && item.block.layout()->lineCount() > 0)
                item.dFirstLine += item.block.layout()->lineAt(0).rect().bottom() - 1;
            const QString text = item.block.text().trimmed();
            item.bKeepWithNext = item.block.blockFormat().headingLevel() > 0 || text.endsWith(':');
        }
        items.push_back(item);
    }
    return items;
}

bool BreaksBefore(const FlowItem& item)
{
    const QTextFormat::PageBreakFlags policy =
        item.pTable != nullptr ? item.pTable->format().pageBreakPolicy() : item.block.blockFormat().pageBreakPolicy();
    return policy & QTextFormat::PageBreak_AlwaysBefore;
}

void SetBreakBefore(const FlowItem& item, bool bBreak)
{
    const QTextFormat::PageBreakFlags policy = bBreak ? QTextFormat::PageBreak_AlwaysBefore : QTextFormat::PageBreak_Auto;
    if (item.pTable != nullptr) {
        QTextTableFormat format = item.pTable->format();
        format.setPageBreakPolicy(policy);
        item.pTable->setFormat(format);
        return;
    }
    QTextCursor cursor(item.block);
    QTextBlockFormat format = item.block.blockFormat();
    format.setPageBreakPolicy(policy);
    cursor.setBlockFormat(format);
}

// Moves to the next page every table that fits on a page but would be cut,
// and every heading or leading-in paragraph whose following text starts on
// a later page, until nothing is left alone at a page's end.
void KeepHeadingsWithText(QTextDocument& doc, double dPageHeight)
{
    for (int pass = 0; pass < kMaxLayoutPasses; pass++) {
        // The layout is made lazily; the page count finishes it, so that
        // every block has its place.
        (void)doc.pageCount();
        const std::vector<FlowItem> items = FlowItems(doc);
        size_t move = items.size();
        for (size_t i = 0; i < items.size() && move == items.size(); i++) {
            const FlowItem& item = items[i];
            const int page = PageOf(item.dTop, dPageHeight);
            const bool cut = item.pTable != nullptr && item.dBottom - item.dTop < dPageHeight &&
                             PageOf(item.dBottom, dPageHeight) > page;
            const bool alone = item.bKeepWithNext && i + 1 < items.size() &&
                               PageOf(items[i + 1].dFirstLine, dPageHeight) > page;
            if ((cut || alone) && !BreaksBefore(item))
                move = i;
        }
        if (move == items.size())
            return;
        // What leads in to the moved item goes with it: the page break
        // comes before the first of them, and only there.
        size_t first = move;
        while (first > 0 && items[first - 1].bKeepWithNext)
            first--;
        SetBreakBefore(items[first], true);
        for (size_t i = first + 1; i <= move + 1 && i < items.size(); i++)
            if (BreaksBefore(items[i]))
                SetBreakBefore(items[i], false);
    }
}

void PaintPages(QTextDocument& doc, QPdfWriter& pdf, double dPageHeight)
{
    QPainter painter(&pdf);
    // Screenshots stay sharp: no lossy compression of the pictures.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const int pages = doc.pageCount();
    const QRectF footer(0, pdf.height() - kFooterHeight, pdf.width(), kFooterHeight);
    for (int page = 0; page < pages; page++) {
        if (page > 0)
            pdf.newPage();
        const QRectF clip(0, page * dPageHeight, doc.pageSize().width(), dPageHeight);
        painter.save();
        painter.translate(0, -clip.top());
        doc.drawContents(&painter, clip);
        painter.restore();
        painter.setFont(doc.defaultFont());
        painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom, QString::number(page + 1));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_guide GUIDE.md OUTPUT.pdf\n");
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "make_guide: cannot read '%s'\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(in.readAll());

    const QString outPath = QString::fromLocal8Bit(argv[2]);
    const QString tmpPath = outPath + ".part";
    {
        QPdfWriter pdf(tmpPath);
        pdf.setTitle("VARN suite user guide");
        pdf.setCreator("VARN suite");
        pdf.setResolution(kResolution);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);

        QTextDocument doc;
        doc.setDefaultFont(QFont("DejaVu Sans", kFontPoints));
        doc.setMarkdown(markdown);
        const double pageHeight = pdf.height() - kFooterHeight;
        doc.setPageSize(QSizeF(pdf.width(), pageHeight));
        if (!EmbedPictures(doc, QFileInfo(in).absolutePath(), pdf.width() - 2 * doc.documentMargin()))
            return 1;
        StyleTables(doc);
        KeepHeadingsWithText(doc, pageHeight);
        PaintPages(doc, pdf, pageHeight);
    }
    // Replace the guide only when it was written completely.
    QFile::remove(outPath);
    if (!QFile::rename(tmpPath, outPath)) {
        std::fprintf(stderr, "make_guide: cannot write '%s'\n", argv[2]);
        return 1;
    }
    return 0;
}
