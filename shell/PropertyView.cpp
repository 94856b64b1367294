#include "shell/PropertyView.h"

#include "controls/ViewTabCtl.h"
#include "platform/Colorref.h"
#include "shell/PropertyViewPage.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>

namespace {
// The band above the strip, painted in the view's own background colour.
constexpr int kTopMargin = 4;
constexpr COLORREF kViewBackground = RGB(240, 240, 240);
// Space between the strip's page area and the page, on every side.
constexpr int kPageInset = 2;
}

CPropertyView::CPropertyView(QWidget* parent)
    : QScrollArea(parent)
    , m_pCanvas(new QWidget)
    , m_pTabCtrl(new CViewTabCtl(m_pCanvas))
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    QPalette palette = m_pCanvas->palette();
    palette.setColor(QPalette::Window, ColorFromRef(kViewBackground));
    m_pCanvas->setPalette(palette);
    m_pCanvas->setAutoFillBackground(true);
    setWidget(m_pCanvas);

    m_pTabCtrl->setObjectName(QStringLiteral("idc_29029"));
    connect(m_pTabCtrl, &CViewTabCtl::SelChanging, this, &CPropertyView::OnSelChanging);
    connect(m_pTabCtrl, &CViewTabCtl::SelChange, this, &CPropertyView::OnSelChange);

    // The page keys must reach the view before the focused control can use them (a spin
    // box would take Ctrl+PgUp for itself), so the view looks at key presses on their way.
    QCoreApplication::instance()->installEventFilter(this);
}

CPropertyView::~CPropertyView()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool CPropertyView::AddPage(CPropertyViewPage* page, const QString& title)
{
    if (!page)
        return false;
    if (!page->HasWindow()) {
        page->m_bSkipUpdate = false;
        page->m_pView = this;
        if (!page->Create(m_pTabCtrl)) {
            page->m_pView = nullptr;
            return false;
        }
    }
    m_pTabCtrl->InsertItem(m_pTabCtrl->GetItemCount(), title.isNull() ? page->windowTitle() : title, page);
    if (m_bFirstPageShown)
        OnSize();

    if (m_nActivePage == -1) {
        m_pTabCtrl->SetCurSel(0);
        m_nActivePage = 0;
        // The page was just built from its members: no transfer needed.
        page->m_bSkipUpdate = true;
        page->OnSetActive();
        ShowPage(page, true);
    } else {
        ShowPage(page, false);
    }
    return true;
}

CPropertyViewPage* CPropertyView::GetPage(int index) const
{
    return qobject_cast<CPropertyViewPage*>(m_pTabCtrl->GetItemData(index));
}

bool CPropertyView::SetActivePage(int index)
{
    if (index < 0 || index >= m_pTabCtrl->GetItemCount())
        return false;
    if (index == m_nActivePage)
        return true;
    CPropertyViewPage* oldPage = GetPage(m_nActivePage);
    CPropertyViewPage* newPage = GetPage(index);
    if (oldPage && !oldPage->OnKillActive())
        return false;
    if (!newPage || !newPage->OnSetActive())
        return false;
    ShowPage(oldPage, false);
    ShowPage(newPage, true);
    m_pTabCtrl->SetCurSel(index);
    m_nActivePage = index;
    return true;
}

void CPropertyView::OnInitialUpdate()
{
    for (int i = 0; i < m_pTabCtrl->GetItemCount(); ++i)
        if (CPropertyViewPage* page = GetPage(i))
            page->OnInitialUpdate();
}

void CPropertyView::OnUpdate(QWidget* sender, LPARAM hint, QObject* hintObject)
{
    for (int i = 0; i < m_pTabCtrl->GetItemCount(); ++i)
        if (CPropertyViewPage* page = GetPage(i))
            page->OnUpdate(sender, hint, hintObject);
}

void CPropertyView::OnPageModified(bool)
{
}

bool CPropertyView::PreTranslateMessage(QKeyEvent* event)
{
    const int count = m_pTabCtrl->GetItemCount();
    if (count == 0 || !(event->modifiers() & Qt::ControlModifier))
        return false;
    bool forward;
    switch (event->key()) {
    case Qt::Key_Tab:
        forward = !(event->modifiers() & Qt::ShiftModifier);
        break;
    case Qt::Key_Backtab:
    case Qt::Key_PageUp:
        forward = false;
        break;
    case Qt::Key_PageDown:
        forward = true;
        break;
    default:
        return false;
    }
    const int current = m_nActivePage;
    const int index = forward ? (current + 1 >= count ? 0 : current + 1) : (current <= 0 ? count - 1 : current - 1);
    // A page that refuses to be left keeps the focus; the key is used up either way.
    SetActivePage(index);
    return true;
}

bool CPropertyView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if ((widget == this || isAncestorOf(widget)) && PreTranslateMessage(static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QScrollArea::eventFilter(watched, event);
}

void CPropertyView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    OnSize();
}

void CPropertyView::focusInEvent(QFocusEvent* event)
{
    QScrollArea::focusInEvent(event);
    if (CPropertyViewPage* page = GetPage(m_nActivePage))
        page->setFocus();
}

void CPropertyView::OnSelChanging(bool* cancel)
{
    const int current = m_pTabCtrl->GetCurSel();
    CPropertyViewPage* page = GetPage(current);
    if (!page)
        return;
    // The first page is never told that the user leaves it.
    if (current > 0)
        PostMessage(page, WM_PAGE_LEAVING, 0, 0);
    if (!page->OnKillActive())
        *cancel = true;
}

void CPropertyView::OnSelChange()
{
    const int index = m_pTabCtrl->GetCurSel();
    if (index == -1)
        return;
    CPropertyViewPage* page = GetPage(index);
    if (!page || !page->OnSetActive()) {
        m_pTabCtrl->SetCurSel(m_nActivePage);
        return;
    }
    ShowPage(GetPage(m_nActivePage), false);
    ShowPage(page, true);
    m_nActivePage = index;
    viewport()->update();
    PostMessage(page, WM_PAGE_ACTIVATED, 0, 0);
}

void CPropertyView::OnSize()
{
    if (maximumViewportSize().isEmpty())
        return;
    CPropertyViewPage* page = GetPage(m_nActivePage);
    Layout(page);
    if (!m_bFirstPageShown && m_pTabCtrl->GetItemCount() > 0) {
        m_bFirstPageShown = true;
        if (page)
            page->raise();
    }
}

void CPropertyView::ShowPage(CPropertyViewPage* page, bool show)
{
    if (!page || !page->HasWindow())
        return;
    page->setVisible(show);
    page->setEnabled(show);
    if (show) {
        page->setFocus();
        LayoutPage(page);
    }
}

void CPropertyView::LayoutPage(CPropertyViewPage* page)
{
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    Layout(page);
}

void CPropertyView::Layout(CPropertyViewPage* page)
{
    QSize needed(0, 0);
    if (page) {
        const QSize framed = page->PageSize() + QSize(2 * kPageInset, 2 * kPageInset);
        const QRect strip = m_pTabCtrl->AdjustRect(true, QRect(QPoint(0, 0), framed));
        needed = QSize(strip.width(), strip.height() + kTopMargin);
    }
    const QSize total = TotalSize(needed);
    m_pCanvas->resize(total);
    QRect area(0, kTopMargin, total.width(), total.height() - kTopMargin);
    m_pTabCtrl->SetTabRect(area, page);
    if (page)
        page->setGeometry(area.adjusted(kPageInset, kPageInset, -kPageInset, -kPageInset).translated(-m_pTabCtrl->pos()));
}

QSize CPropertyView::TotalSize(const QSize& needed) const
{
    // Decide the scroll bars as the pane will: a bar for one direction takes room from the
    // other and may call for the second bar too.
    const QSize room = maximumViewportSize();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    bool horizontal = false;
    bool vertical = false;
    for (int pass = 0; pass < 2; ++pass) {
        vertical = needed.height() > room.height() - (horizontal ? bar : 0);
        horizontal = needed.width() > room.width() - (vertical ? bar : 0);
    }
    return needed.expandedTo(room - QSize(vertical ? bar : 0, horizontal ? bar : 0));
}
