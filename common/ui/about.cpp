#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "about.h"
#include "appframe.h"
#include "appmain.h"
#include "statedir.h"
#include "suite.h"
#include "winutil.h"

const char szAboutWebAddress[] = "www.varn-sensors.example";

namespace {

constexpr char kAboutNotice[] = "Setup and maintenance tools for VARN environmental sensors";

// The suite's logo on a white backdrop, drawn as a plain bitmap (no
// smoothing, so colour keying leaves no fringe): a sensor head with three
// measuring arcs and the suite's name.
QImage SuiteLogo()
{
    QImage image(240, 72, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor teal(0, 110, 140), sky(40, 160, 210);
    p.setPen(Qt::NoPen);
    p.setBrush(teal);
    p.drawRect(20, 40, 28, 22);     // sensor body
    p.drawRect(30, 20, 8, 20);      // mast
    p.setBrush(sky);
    p.drawEllipse(QPoint(34, 18), 8, 8);
    p.setBrush(Qt::NoBrush);
    for (int r = 16; r <= 32; r += 8) {
        p.setPen(QPen(sky, 3));
        p.drawArc(QRect(34 - r, 18 - r, 2 * r, 2 * r), 20 * 16, 50 * 16);
    }
    QFont font("DejaVu Sans");
    font.setPixelSize(40);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    p.setFont(font);
    p.setPen(teal);
    p.drawText(QRect(76, 10, 164, 56), Qt::AlignLeft | Qt::AlignVCenter, "VARN");
    return image;
}

}  // namespace

namespace {

// The link line: blue text (readable on a dark theme), pointing hand while the pointer is on it, opens
// the web address on a click.
class LinkLabel : public QLabel {
public:
    explicit LinkLabel(QWidget* parent) : QLabel(QString::fromLatin1(szAboutWebAddress), parent)
    {
        setObjectName("aboutLink");
        setCursor(Qt::PointingHandCursor);
        QPalette pal = palette();
        // The blue, or the theme's link colour on a dark theme.
        pal.setColor(QPalette::WindowText, UiReadableTextColor(QColor(0, 0, 255), pal));
        setPalette(pal);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
            OpenUrl((std::string("http://") + szAboutWebAddress).c_str());
        QLabel::mouseReleaseEvent(e);
    }
};

}  // namespace

QDialog* UiCreateAboutDialog(QWidget* pOwner)
{
    auto* dlg = new QDialog(pOwner);
    dlg->setObjectName("aboutDialog");
    dlg->setWindowTitle("About");
    dlg->setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* picture = new QLabel(dlg);
    picture->setObjectName("aboutPicture");
    const unsigned face = ColorRef(dlg->palette().color(QPalette::Window));
    const QImage logo = SuiteLogo();
    const QImage keyed = SetBitmapAlpha(logo, logo.width(), logo.height(), 0x00FFFFFF, face, 0);
    picture->setPixmap(QPixmap::fromImage(keyed.isNull() ? logo : keyed));

    auto* title = new QLabel(QString::fromLocal8Bit(szAppTitle), dlg);
    title->setObjectName("aboutTitle");
    QFont bold = title->font();
    bold.setPixelSize(16);
    bold.setBold(true);
    title->setFont(bold);

    auto* notice = new QLabel(kAboutNotice, dlg);
    notice->setObjectName("aboutNotice");
    QPalette grey = notice->palette();
    // A lighter grey on a dark theme, where the middle grey hardly reads.
    grey.setColor(QPalette::WindowText, UiIsDarkPalette(grey) ? QColor(170, 170, 170) : QColor(127, 127, 127));
    notice->setPalette(grey);

    auto* link = new LinkLabel(dlg);

    // Where this program keeps its files, when not beside the programs
    // (an application folder the user cannot write).
    QLabel* files = nullptr;
    const std::string state = AppFileDir(APP_FILE_STATE);
    const std::string config = AppFileDir(APP_FILE_CONFIG);
    if (state != szAppDir || config != szAppDir) {
        std::string text = "Logs: " + state;
        if (config != state)
            text += "\nSettings: " + config;
        files = new QLabel(QString::fromLocal8Bit(text.c_str()), dlg);
        files->setObjectName("aboutFiles");
        files->setPalette(grey);
        files->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    auto* layout = new QVBoxLayout(dlg);
    layout->setContentsMargins(24, 16, 24, 20);
    layout->setSpacing(8);
    for (QLabel* l : {picture, title, notice})
        layout->addWidget(l, 0, Qt::AlignHCenter);
    layout->addWidget(link, 0, Qt::AlignHCenter);
    if (files != nullptr)
        layout->addWidget(files, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return dlg;
}

void UiShowAbout()
{
    QDialog* dlg = UiCreateAboutDialog(hDlgMain);
    dlg->exec();
    delete dlg;
}
