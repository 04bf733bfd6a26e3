#include "toolbox_window.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "appframe.h"
#include "log.h"
#include "suite.h"
#include "suitemenu.h"
#include "winutil.h"

namespace {

// clang-format off
const MenuItem tToolboxMenu[] = {
    { "File",  "Check for update at startup",    MENU_CHECK_STARTUP, true },
    { "File",  "Quit",                           MENU_QUIT,          false },
    { "Tools", nullptr,                          MENU_TOOL,          false, PROGRAM_TERMINAL },
    { "Tools", nullptr,                          MENU_TOOL,          false, PROGRAM_SCOPE },
    { "Tools", nullptr,                          MENU_TOOL,          false, PROGRAM_DATALOGGER },
    { "Tools", nullptr,                          MENU_TOOL,          false, PROGRAM_CONFIG },
    { "Tools", nullptr,                          MENU_TOOL,          true,  PROGRAM_FLASH },
    { "Tools", "Open application directory...",  MENU_OPEN_APPDIR,   false },
    { "?",     "User Guide...",                  MENU_USER_GUIDE,    true },
    { "?",     "Programming Examples...",        MENU_EXAMPLES,      true },
    { "?",     "Check for Update...",            MENU_CHECK_UPDATE,  true },
    { "?",     "About...",                       MENU_ABOUT,         false },
};
// clang-format on

// Where each group stands: the utilities on the left, resources and the
// update on the right.
struct GroupPlace {
    const char* szGroup;
    int nRow, nColumn;
};
const GroupPlace tGroups[] = {{"UTILITIES", 0, 0}, {"RESOURCES", 0, 1}, {"UPDATE", 1, 1}};

// The titles' colour on a light window.
const QColor kTitleBlue(0, 0, 255);

QFont BoldFont(const QFont& base)
{
    QFont bold = base;
    bold.setPixelSize(14);
    bold.setWeight(QFont::Bold);
    return bold;
}

}  // namespace

ToolboxWindow::ToolboxWindow(QWidget* pParent) : ToolWindow(PROGRAM_TOOLBOX, pParent)
{
    setObjectName("toolboxWindow");
    pClient = new QWidget(this);
    pClient->setMouseTracking(true);
    pClient->installEventFilter(this);
    setCentralWidget(pClient);
    auto* grid = new QGridLayout(pClient);
    grid->setContentsMargins(12, 10, 12, 12);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(10);

    const QFont bold = BoldFont(font());
    for (const GroupPlace& g : tGroups) {
        auto* box = new QGroupBox(QString::fromLatin1(g.szGroup), pClient);
        box->setObjectName(QString::fromLatin1(g.szGroup));
        box->setFont(bold);
        box->setMouseTracking(true);
        box->installEventFilter(this);
        auto* items = new QGridLayout(box);
        items->setHorizontalSpacing(10);
        items->setVerticalSpacing(8);
        int row = 0;
        for (size_t i = 0; i < TOOLBOX_ITEM_COUNT; i++) {
            const ToolboxItem& item = tToolboxItems[i];
            if (std::string(item.szGroup) != g.szGroup)
                continue;
            auto* icon = new QLabel(box);
            icon->setFixedSize(36, 36);
            icon->setAlignment(Qt::AlignCenter);
            auto* title = new QLabel(QString::fromLatin1(item.szTitle), box);
            title->setFont(bold);
            // The title takes the keyboard focus for its item, shown by a
            // frame that is there but unseen while it has none, so that
            // nothing moves when the focus comes.
            title->setFocusPolicy(Qt::StrongFocus);
            auto* description = new QLabel(QString::fromLatin1(item.szDescription), box);
            // Children of a group take its bold font unless told otherwise.
            QFont regular = font();
            regular.setWeight(QFont::Normal);
            description->setFont(regular);
            QLabel* controls[3] = {title, description, icon};
            static const char* const tPart[] = {"title", "description", "icon"};
            for (int part = 0; part < 3; part++) {
                controls[part]->setObjectName(QString("%1.%2").arg(item.szTitle).arg(tPart[part]));
                controls[part]->setMouseTracking(true);
                controls[part]->installEventFilter(this);
                tControls[i][part] = controls[part];
            }
            items->addWidget(icon, 2 * row, 0, 2, 1);
            items->addWidget(title, 2 * row, 1, Qt::AlignBottom | Qt::AlignLeft);
            items->addWidget(description, 2 * row + 1, 1, Qt::AlignTop | Qt::AlignLeft);
            row++;
        }
        items->setColumnStretch(1, 1);
        items->setRowStretch(2 * row, 1);
        grid->addWidget(box, g.nRow, g.nColumn, g.nRow == 0 && g.nColumn == 0 ? 2 : 1, 1);
    }

    CreateMenu(tToolboxMenu);
    // The Tools items do what the items do, so a started tool ends the
    // launcher in one place.
    for (size_t i = 0; i < TOOLBOX_ITEM_COUNT; i++) {
        if (tToolboxItems[i].nAction != TOOLBOX_START_TOOL)
            continue;
        QAction* action = MenuItem(SuiteToolMenuText(tToolboxItems[i].nTool));
        QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this, i] { RunItem(i); });
    }
    ApplyPalette();
    ensurePolished();
    setFixedSize(sizeHint());
    FinishCreate();
}

QColor ToolboxWindow::TitleColor() const
{
    return UiReadableTextColor(kTitleBlue, palette());
}

void ToolboxWindow::ApplyPalette()
{
    const QColor title = TitleColor();
    const QColor focus = palette().color(QPalette::Highlight);
    const bool dark = UiIsDarkPalette(palette());
    for (size_t i = 0; i < TOOLBOX_ITEM_COUNT; i++) {
        QLabel* t = tControls[i][0];
        if (t == nullptr)
            continue;
        // The style sheet first: applying one polishes the label again,
        // which puts back the palette it had before.
        const QString sheet = QString("QLabel { border: 1px dotted transparent; padding: 1px 3px; }"
                                      "QLabel:focus { border: 1px solid %1; }")
                                  .arg(focus.name());
        if (t->styleSheet() != sheet)
            t->setStyleSheet(sheet);
        QPalette p = t->palette();
        p.setColor(QPalette::WindowText, title);
        t->setPalette(p);
        tControls[i][2]->setPixmap(ToolboxIcon(i, devicePixelRatioF(), dark));
    }
}

void ToolboxWindow::changeEvent(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::PaletteChange || pEvent->type() == QEvent::ApplicationPaletteChange)
        ApplyPalette();
    ToolWindow::changeEvent(pEvent);
}

bool ToolboxWindow::TitleKey(size_t uItem, QKeyEvent* pKey)
{
    switch (pKey->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        RunItem(uItem);
        return true;
    case Qt::Key_Down:
    case Qt::Key_Right:
        focusNextChild();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Left:
        focusPreviousChild();
        return true;
    default:
        return false;
    }
}

void ToolboxWindow::showEvent(QShowEvent* pEvent)
{
    // The window has a fixed size: the areas are taken once, when it first
    // shows and the layouts have placed every control.
    if (!bAreasDeclared) {
        bAreasDeclared = true;
        DeclareAreas();
    }
    ToolWindow::showEvent(pEvent);
}

void ToolboxWindow::DeclareAreas()
{
    ClearItemAreas();
    for (size_t i = 0; i < TOOLBOX_ITEM_COUNT; i++) {
        for (int part = 0; part < 3; part++) {
            QLabel* control = tControls[i][part];
            const QPoint at = control->mapTo(pClient, QPoint(0, 0));
            const AreaRect r{at.x(), at.y(), at.x() + control->width(), at.y() + control->height()};
            DeclareItemArea(static_cast<int>(i * 3 + part), control, r, part == 0 ? 1 : 0);
        }
    }
}

Qt::CursorShape ToolboxWindow::CursorAt(const QPoint& pt) const
{
    return ItemAreaAt(pt.x(), pt.y()) != nullptr ? Qt::PointingHandCursor : Qt::ArrowCursor;
}

void ToolboxWindow::RunItem(size_t i)
{
    if (i >= TOOLBOX_ITEM_COUNT)
        return;
    const ToolboxItem& item = tToolboxItems[i];
    switch (item.nAction) {
    case TOOLBOX_START_TOOL:
        UiStartTool(item.nTool);
        break;
    case TOOLBOX_OPEN_MANUAL:
        OpenDoc(SUITE_USER_GUIDE);
        break;
    case TOOLBOX_OPEN_EXAMPLES:
        OpenDir(szProgExampleDir);
        break;
    case TOOLBOX_CHECK_UPDATE:
        ExecTools(SUITE_UPDATE_PROGRAM, "check");
        break;
    }
}

bool ToolboxWindow::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    auto* widget = qobject_cast<QWidget*>(pWatched);
    if (pEvent->type() == QEvent::KeyPress && widget != nullptr) {
        for (size_t i = 0; i < TOOLBOX_ITEM_COUNT; i++)
            if (tControls[i][0] == widget && TitleKey(i, static_cast<QKeyEvent*>(pEvent)))
                return true;
    }
    if (widget != nullptr && (pEvent->type() == QEvent::MouseMove || pEvent->type() == QEvent::Enter)) {
        const QPoint global = pEvent->type() == QEvent::MouseMove
                                  ? static_cast<QMouseEvent*>(pEvent)->globalPosition().toPoint()
                                  : QCursor::pos();
        pClient->setCursor(CursorAt(pClient->mapFromGlobal(global)));
    }
    if (widget != nullptr && pEvent->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(pEvent)->button() == Qt::LeftButton) {
        const QPoint local = static_cast<QMouseEvent*>(pEvent)->position().toPoint();
        const QPoint pt = widget == pClient ? local : widget->mapTo(pClient, local);
        if (const ItemArea* area = ItemAreaAt(pt.x(), pt.y())) {
            RunItem(ItemOfControl(area->nId));
            return true;
        }
    }
    return ToolWindow::eventFilter(pWatched, pEvent);
}
