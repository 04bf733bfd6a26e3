#include "page_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "codecs.h"
#include "derived.h"
#include "value_check.h"

namespace {

// The text box keeps the text exactly as it was set (the listing's CR LF
// line ends included); it shows it with plain line breaks.
constexpr char kTextProperty[] = "configText";

QString Q(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string S(const QString& s)
{
    return s.toUtf8().toStdString();
}

bool HasCaptionLabel(CtlKind nKind)
{
    return nKind == CTL_KIND_EDIT || nKind == CTL_KIND_COMBO || nKind == CTL_KIND_DATE;
}

QWidget* MakeWidget(const ConfigControlInfo& row, QWidget* pParent)
{
    const QString caption = QString::fromUtf8(row.szCaption);
    const CtlId id = row.nId;
    switch (row.nKind) {
    case CTL_KIND_LABEL:
        return new QLabel(caption, pParent);
    case CTL_KIND_GROUP:
        return new QGroupBox(caption, pParent);
    case CTL_KIND_BUTTON: {
        auto* b = new QPushButton(caption, pParent);
        b->setAutoDefault(false);
        QObject::connect(b, &QPushButton::clicked, [id] { ConfigPageReaction(id); });
        return b;
    }
    case CTL_KIND_RADIO: {
        auto* b = new QRadioButton(caption, pParent);
        QObject::connect(b, &QRadioButton::clicked, [id] { ConfigPageReaction(id); });
        return b;
    }
    case CTL_KIND_CHECK: {
        auto* b = new QCheckBox(caption, pParent);
        QObject::connect(b, &QCheckBox::clicked, [id] { ConfigPageReaction(id); });
        return b;
    }
    case CTL_KIND_EDIT: {
        auto* e = new QLineEdit(pParent);
        // A number field takes only what a number can hold as it is typed;
        // the send checks the whole value again before anything goes out.
        if (const char* pattern = ConfigFieldTypingPattern(id))
            e->setValidator(new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(pattern)), e));
        QObject::connect(e, &QLineEdit::textEdited, [id] { ConfigPageReaction(id); });
        return e;
    }
    case CTL_KIND_TEXTBOX: {
        auto* t = new QPlainTextEdit(pParent);
        t->setReadOnly(true);
        t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        t->setLineWrapMode(QPlainTextEdit::NoWrap);
        t->setProperty(kTextProperty, QString());
        return t;
    }
    case CTL_KIND_COMBO: {
        auto* c = new QComboBox(pParent);
        QObject::connect(c, &QComboBox::activated, [id] { ConfigPageReaction(id); });
        return c;
    }
    case CTL_KIND_DATE: {
        auto* d = new QDateEdit(pParent);
        d->setDisplayFormat("yyyy-MM-dd");
        d->setCalendarPopup(true);
        // Every date the sensor can hold round-trips unchanged.
        d->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
        d->setDate(QDate(1970, 1, 1));
        return d;
    }
    }
    return new QWidget(pParent);
}

}  // namespace

std::string PageControlName(CtlId nId)
{
    return "ctl" + std::to_string(static_cast<int>(nId));
}

PageControl MakePageControl(CtlId nId, QWidget* pParent)
{
    const ConfigControlInfo& row = tConfigControls[nId];
    PageControl c;
    c.nId = nId;
    c.nKind = row.nKind;
    c.pWidget = MakeWidget(row, pParent);
    c.pWidget->setObjectName(QString::fromLatin1(PageControlName(nId).c_str()));
    if (HasCaptionLabel(row.nKind) && row.szCaption[0] != '\0') {
        c.pCaption = new QLabel(QString::fromUtf8(row.szCaption), pParent);
        c.pCaption->setObjectName(QString::fromLatin1((PageControlName(nId) + "Caption").c_str()));
        c.pCaption->setBuddy(c.pWidget);
    }
    SetControlEnabled(c, row.bEnabled);
    return c;
}

std::string ControlText(const PageControl& c)
{
    if (c.pWidget == nullptr)
        return {};
    switch (c.nKind) {
    case CTL_KIND_EDIT:
        return S(static_cast<QLineEdit*>(c.pWidget)->text());
    case CTL_KIND_TEXTBOX:
        return S(c.pWidget->property(kTextProperty).toString());
    case CTL_KIND_COMBO:
        return S(static_cast<QComboBox*>(c.pWidget)->currentText());
    case CTL_KIND_DATE:
        return FormatConfigDate(ControlDate(c));
    default:
        return ControlCaption(c);
    }
}

void SetControlText(const PageControl& c, const std::string& sText)
{
    if (c.pWidget == nullptr)
        return;
    switch (c.nKind) {
    case CTL_KIND_EDIT:
        static_cast<QLineEdit*>(c.pWidget)->setText(Q(sText));
        static_cast<QLineEdit*>(c.pWidget)->setCursorPosition(0);
        break;
    case CTL_KIND_TEXTBOX: {
        const QString text = Q(sText);
        c.pWidget->setProperty(kTextProperty, text);
        QString shown = text;
        shown.replace("\r\n", "\n");
        shown.replace('\r', '\n');
        static_cast<QPlainTextEdit*>(c.pWidget)->setPlainText(shown);
        break;
    }
    case CTL_KIND_COMBO:
    case CTL_KIND_DATE:
        break;
    default:
        SetControlCaption(c, sText);
        break;
    }
}

bool ControlChecked(const PageControl& c)
{
    if (c.nKind != CTL_KIND_RADIO && c.nKind != CTL_KIND_CHECK)
        return false;
    return static_cast<QAbstractButton*>(c.pWidget)->isChecked();
}

void SetControlChecked(const PageControl& c, bool bChecked)
{
    if (c.nKind == CTL_KIND_CHECK) {
        static_cast<QCheckBox*>(c.pWidget)->setChecked(bChecked);
    } else if (c.nKind == CTL_KIND_RADIO) {
        auto* b = static_cast<QRadioButton*>(c.pWidget);
        // An exclusive button cannot be unchecked by itself: the group is
        // made non-exclusive for the moment.
        b->setAutoExclusive(bChecked);
        b->setChecked(bChecked);
        b->setAutoExclusive(true);
    }
}

int ControlSelected(const PageControl& c)
{
    if (c.nKind != CTL_KIND_COMBO)
        return -1;
    return static_cast<QComboBox*>(c.pWidget)->currentIndex();
}

void SetControlSelected(const PageControl& c, int nIndex)
{
    if (c.nKind != CTL_KIND_COMBO)
        return;
    auto* combo = static_cast<QComboBox*>(c.pWidget);
    combo->setCurrentIndex(nIndex >= 0 && nIndex < combo->count() ? nIndex : -1);
}

void SetControlItems(const PageControl& c, const std::vector<std::string>& vItems)
{
    if (c.nKind != CTL_KIND_COMBO)
        return;
    auto* combo = static_cast<QComboBox*>(c.pWidget);
    combo->clear();
    for (const std::string& item : vItems)
        combo->addItem(Q(item));
    combo->setCurrentIndex(-1);
}

ConfigDate ControlDate(const PageControl& c)
{
    if (c.nKind != CTL_KIND_DATE)
        return {};
    const QDate d = static_cast<QDateEdit*>(c.pWidget)->date();
    return {d.year(), d.month(), d.day()};
}

void SetControlDate(const PageControl& c, const ConfigDate& tDate)
{
    if (c.nKind != CTL_KIND_DATE)
        return;
    const QDate d(tDate.nYear, tDate.nMonth, tDate.nDay);
    static_cast<QDateEdit*>(c.pWidget)->setDate(d.isValid() ? d : QDate(1970, 1, 1));
}

std::string ControlCaption(const PageControl& c)
{
    if (c.pWidget == nullptr)
        return {};
    switch (c.nKind) {
    case CTL_KIND_LABEL:
        return S(static_cast<QLabel*>(c.pWidget)->text());
    case CTL_KIND_GROUP:
        return S(static_cast<QGroupBox*>(c.pWidget)->title());
    case CTL_KIND_BUTTON:
    case CTL_KIND_RADIO:
    case CTL_KIND_CHECK:
        return S(static_cast<QAbstractButton*>(c.pWidget)->text());
    default:
        return c.pCaption != nullptr ? S(c.pCaption->text()) : std::string();
    }
}

void SetControlCaption(const PageControl& c, const std::string& sCaption)
{
    if (c.pWidget == nullptr)
        return;
    switch (c.nKind) {
    case CTL_KIND_LABEL:
        static_cast<QLabel*>(c.pWidget)->setText(Q(sCaption));
        break;
    case CTL_KIND_GROUP:
        static_cast<QGroupBox*>(c.pWidget)->setTitle(Q(sCaption));
        break;
    case CTL_KIND_BUTTON:
    case CTL_KIND_RADIO:
    case CTL_KIND_CHECK:
        static_cast<QAbstractButton*>(c.pWidget)->setText(Q(sCaption));
        break;
    default:
        if (c.pCaption != nullptr)
            c.pCaption->setText(Q(sCaption));
        break;
    }
}

bool ControlEnabled(const PageControl& c)
{
    // Disabled itself, whatever its page or window is.
    return c.pWidget != nullptr && c.pWidget->isEnabledTo(c.pWidget->parentWidget());
}

void SetControlEnabled(const PageControl& c, bool bEnabled)
{
    if (c.pWidget == nullptr)
        return;
    c.pWidget->setEnabled(bEnabled);
    if (c.pCaption != nullptr)
        c.pCaption->setEnabled(bEnabled);
}

bool ControlVisible(const PageControl& c)
{
    return c.pWidget != nullptr && !c.pWidget->isHidden();
}

void SetControlVisible(const PageControl& c, bool bVisible)
{
    if (c.pWidget == nullptr)
        return;
    c.pWidget->setVisible(bVisible);
    if (c.pCaption != nullptr)
        c.pCaption->setVisible(bVisible);
}

void SetControlFocus(const PageControl& c)
{
    if (c.pWidget == nullptr)
        return;
    c.pWidget->setFocus(Qt::OtherFocusReason);
    if (c.nKind == CTL_KIND_EDIT)
        static_cast<QLineEdit*>(c.pWidget)->selectAll();
}
