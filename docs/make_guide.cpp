// Renders the user guide from its Markdown text into a PDF, with the
// screenshots it links, so the guide is rebuilt from text kept in the
// repository at every build.
//
// Usage: make_guide GUIDE.md OUTPUT.pdf
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>

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

    QTextDocument doc;
    // Images are linked relative to the guide's folder.
    doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(in).absolutePath() + "/"));
    doc.setDefaultFont(QFont("DejaVu Sans", 10));
    doc.setMarkdown(markdown);

    const QString outPath = QString::fromLocal8Bit(argv[2]);
    const QString tmpPath = outPath + ".part";
    {
        QPdfWriter pdf(tmpPath);
        pdf.setTitle("VARN suite user guide");
        pdf.setCreator("VARN suite");
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
        doc.print(&pdf);
    }
    // Replace the guide only when it was written completely.
    QFile::remove(outPath);
    if (!QFile::rename(tmpPath, outPath)) {
        std::fprintf(stderr, "make_guide: cannot write '%s'\n", argv[2]);
        return 1;
    }
    return 0;
}
