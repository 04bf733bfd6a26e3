// One page of the configuration window's tab control: a widget that holds
// the controls of its page of the control table and lays them out.
//
// The pages only create and place their controls; what a control does when
// the user changes it is the core's page reaction (page_controls.h), and
// the two buttons with a window action (copy, unlock) are wired by the
// window. Window thread only.
#pragma once

#include <QWidget>
#include <map>

#include "page_controls.h"

class QGridLayout;
class QIcon;
class QGroupBox;
class QBoxLayout;

class PageWidget : public QWidget {
    Q_OBJECT
public:
    PageWidget(int nPage, QWidget* pParent);

    int Page() const { return nPage; }
    // The control of this page, or null for one of another page.
    const PageControl* Find(CtlId nId) const;
    // Every control of this page, in id order.
    const std::map<CtlId, PageControl>& Controls() const { return tControls; }

    // --- Building, by the page's creation function ---------------------
    // Creates the control (page_controls.h) inside pParent and keeps it.
    const PageControl& Add(CtlId nId, QWidget* pParent);
    // A group box titled as the table's group names it.
    QGroupBox* Group(const char* szTitle, QWidget* pParent);
    // Fields, lists and date pickers: caption in column nColumn, the control
    // in the next one.
    void AddRow(QGridLayout* pGrid, int nRow, CtlId nId, int nColumn = 0);
    // Buttons and boxes one below the other.
    void AddColumn(QBoxLayout* pLayout, CtlId nFirst, CtlId nLast);

private:
    int nPage;
    std::map<CtlId, PageControl> tControls;
};

// The nine pages, in tab order; each makes every control of its page.
PageWidget* CreateHomePage(QWidget* pParent);
PageWidget* CreateSummaryPage(QWidget* pParent);
PageWidget* CreateOutputsPage(QWidget* pParent);
PageWidget* CreateSdi12Page(QWidget* pParent);
PageWidget* CreateSerialPage(QWidget* pParent);
PageWidget* CreateDataloggerPage(QWidget* pParent);
PageWidget* CreateAveragingPage(QWidget* pParent);
PageWidget* CreateExpertPage(QWidget* pParent);
PageWidget* CreateFactoryPage(QWidget* pParent);

// The tab's 16x16 icon of a page (drawn, for the normal and the 2x scale).
QIcon ConfigTabIcon(int nPage);

// Margins and spacing shared by the pages.
constexpr int PAGE_MARGIN = 10;
constexpr int PAGE_SPACING = 8;
// Width of a number field, in average characters of the page's font.
constexpr int PAGE_FIELD_CHARS = 12;
