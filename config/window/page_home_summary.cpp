// The "Home" page (the product logo) and the "Summary" page (the sensor's
// configuration listing and its copy button).
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "page_widget.h"
#include "winutil.h"

namespace {

constexpr char kLogoResource[] = ":/config/home_logo.png";
constexpr unsigned kWhite = 0x00FFFFFF;

// The logo as a picture whose white backdrop takes the page's face colour.
class HomeLogo : public QWidget {
public:
    explicit HomeLogo(QWidget* pParent) : QWidget(pParent)
    {
        setObjectName("homeLogo");
        Reload();
    }

protected:
    // The picture is artwork, not a control: drawn as it is in a window
    // without input too.
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QSize size = tLogo.deviceIndependentSize().toSize();
        p.drawImage(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size), tLogo);
    }
    QSize sizeHint() const override { return tLogo.deviceIndependentSize().toSize(); }
    QSize minimumSizeHint() const override { return sizeHint(); }

    void changeEvent(QEvent* pEvent) override
    {
        // A new palette brings a new face colour.
        if (pEvent->type() == QEvent::PaletteChange)
            Reload();
        QWidget::changeEvent(pEvent);
    }

private:
    void Reload()
    {
        const unsigned face = ColorRef(palette().color(QPalette::Window));
        tLogo = LoadBitmapAlpha(QString::fromLatin1(kLogoResource), kWhite, face, 0);
        updateGeometry();
        update();
    }

    QImage tLogo;
};

}  // namespace

PageWidget* CreateHomePage(QWidget* pParent)
{
    auto* page = new PageWidget(PAGE_HOME, pParent);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN);
    layout->addStretch(1);
    layout->addWidget(new HomeLogo(page), 0, Qt::AlignCenter);
    layout->addStretch(1);
    return page;
}

PageWidget* CreateSummaryPage(QWidget* pParent)
{
    auto* page = new PageWidget(PAGE_SUMMARY, pParent);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN);
    QGroupBox* group = new QGroupBox(QString::fromUtf8(tConfigControls[CTL_SUMMARY_TEXT].szGroup), page);
    layout->addWidget(group);
    auto* column = new QVBoxLayout(group);
    column->setSpacing(PAGE_SPACING);
    QWidget* text = page->Add(CTL_SUMMARY_TEXT, group).pWidget;
    // The listing's fixed-pitch font, 16 pixels.
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::Monospace);
    mono.setFixedPitch(true);
    mono.setPixelSize(16);
    mono.setWeight(QFont::Normal);
    text->setFont(mono);
    column->addWidget(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(page->Add(CTL_SUMMARY_COPY, group).pWidget);
    column->addLayout(buttons);
    return page;
}
