#pragma once

#include "platform/WindowMessage.h"

#include <QScrollArea>

class CPropertyViewPage;
class CViewTabCtl;
class QKeyEvent;

// The page host: a scrolling pane holding a tab strip with one page under each tab. It
// decides which page is visible, asks the pages before it switches, tells them with
// WM_PAGE_LEAVING and WM_PAGE_ACTIVATED when the user clicks a tab, and lets Ctrl+Tab,
// Ctrl+PgDn, Ctrl+Shift+Tab and Ctrl+PgUp step through the pages (quietly, without page
// messages). The pane is never smaller than the active page plus its strip: a smaller
// view scrolls.
class CPropertyView : public QScrollArea {
    Q_OBJECT
public:
    explicit CPropertyView(QWidget* parent = nullptr);
    ~CPropertyView() override;

    // Adds a page as the last tab, making its window on the strip first if it has none;
    // the tab text is the title, or the page's caption when no title is given. The first
    // page added becomes active at once; later ones are hidden. False when the page's
    // window cannot be made.
    bool AddPage(CPropertyViewPage* page, const QString& title = QString());
    // The page of a tab; null for an index out of range.
    CPropertyViewPage* GetPage(int index) const;
    // -1 while there is no page.
    int GetActiveIndex() const { return m_nActivePage; }
    // Shows another page without any page message; false when the index is out of range
    // or the old page will not be left or the new one not shown.
    bool SetActivePage(int index);
    CViewTabCtl* GetTabControl() const { return m_pTabCtrl; }

    // Runs every page's initial update, in tab order.
    virtual void OnInitialUpdate();
    virtual void OnUpdate(QWidget* sender, LPARAM hint, QObject* hintObject);
    // A page's modified flag changed. The program keeps no document data, so nothing
    // follows from it here.
    virtual void OnPageModified(bool modified);

protected:
    // Sees every key press meant for the view or anything inside it - the controls of the
    // pages included - before they do; true when it used the key.
    virtual bool PreTranslateMessage(QKeyEvent* event);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void OnSelChanging(bool* cancel);
    void OnSelChange();
    void OnSize();
    void ShowPage(CPropertyViewPage* page, bool show);
    void LayoutPage(CPropertyViewPage* page);
    void Layout(CPropertyViewPage* page);
    QSize TotalSize(const QSize& needed) const;

    // Everything the pane scrolls: the strip sits on it 4 pixels below the top.
    QWidget* m_pCanvas;
    CViewTabCtl* m_pTabCtrl;
    int m_nActivePage = -1;
    bool m_bFirstPageShown = false;
};
