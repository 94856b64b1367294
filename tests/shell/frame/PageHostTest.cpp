#include "controls/ViewTabCtl.h"
#include "shell/frame/BrantovelixSheetView.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// The window messages an object is handed, watched from outside so the real handlers
// still run.
class MessageLog : public QObject {
public:
    explicit MessageLog(QObject* target) { target->installEventFilter(this); }
    std::vector<int> messages;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (int message = WindowMessage::MessageOf(event))
            messages.push_back(message);
        return false;
    }
};

// Vectors, not QList: comparing two empty QList<int> hands memcmp a null pointer (Qt 6.4),
// which the sanitizer build stops on.
using Messages = std::vector<int>;
const Messages kNone;
const Messages kLeaving {WM_PAGE_LEAVING};
const Messages kActivated {WM_PAGE_ACTIVATED};

void DeliverPosted()
{
    QCoreApplication::sendPostedEvents();
}

void ClickTab(CPropertyView& view, int tab)
{
    CViewTabCtl* strip = view.GetTabControl();
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->Layout().TabShape(tab, strip->GetCurSel()).center());
}

void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(target, key, modifiers);
    DeliverPosted();
}

// A page whose answers a test chooses and whose transfers and handlers it counts.
class TestPage : public CPropertyViewPage {
public:
    explicit TestPage(const QString& caption, QSize size = QSize(300, 200))
        : CPropertyViewPage(900, 0)
        , m_size(size)
    {
        setWindowTitle(caption);
    }

    bool buildFails = false;
    bool acceptData = true;
    bool acceptShow = true;
    int loads = 0;
    int saves = 0;
    Messages handled;
    QString* updateOrder = nullptr;

    bool OnSetActive() override { return acceptShow && CPropertyViewPage::OnSetActive(); }
    void OnInitialUpdate() override
    {
        CPropertyViewPage::OnInitialUpdate();
        if (updateOrder)
            *updateOrder += windowTitle();
    }

protected:
    bool OnInitDialog() override
    {
        resize(m_size);
        return !buildFails;
    }
    bool DoDataExchange(bool save) override
    {
        ++(save ? saves : loads);
        return !save || acceptData;
    }
    LPARAM OnPageLeaving() override { return Handle(WM_PAGE_LEAVING, 0); }
    LPARAM OnPageActivated() override { return Handle(WM_PAGE_ACTIVATED, -1); }
    LPARAM OnPageInit() override { return Handle(WM_PAGE_INIT, 7); }

private:
    LPARAM Handle(int message, LPARAM result)
    {
        handled.push_back(message);
        return result;
    }
    QSize m_size;
};

// Two test pages in a plain host.
class Host : public ::testing::Test {
protected:
    void SetUp() override
    {
        view->resize(700, 500);
        ASSERT_TRUE(view->AddPage(&a));
        ASSERT_TRUE(view->AddPage(&b));
        view->show();
        DeliverPosted();
    }

    // The strip's tab and the host's active page are `index`, and only that page shows.
    void ExpectOn(int index)
    {
        EXPECT_EQ(view->GetTabControl()->GetCurSel(), index);
        EXPECT_EQ(view->GetActiveIndex(), index);
        EXPECT_EQ(a.isVisible(), index == 0);
        EXPECT_EQ(b.isVisible(), index == 1);
    }

    // The pages go before the view, as the tab view's own members do.
    std::unique_ptr<CPropertyView> view = std::make_unique<CPropertyView>();
    TestPage a {QStringLiteral("a")};
    TestPage b {QStringLiteral("b")};
};

class SheetView : public ::testing::Test {
protected:
    void SetUp() override
    {
        view->resize(880, 700);
        view->show();
        DeliverPosted();
    }

    std::unique_ptr<CBrantovelixSheetView> view = std::make_unique<CBrantovelixSheetView>();
    CPropertyViewPage* page0 = &view->BasicParamPage();
    CPropertyViewPage* page1 = &view->PidParamPage();
    MessageLog log0 {page0};
    MessageLog log1 {page1};
    MessageLog logTuning {&view->MonitorPage()};
};

TEST_F(SheetView, TwoTabsWithTheTuningPageKeptOut)
{
    CViewTabCtl* strip = view->findChild<CViewTabCtl*>(QStringLiteral("idc_29029"));
    ASSERT_EQ(strip, view->GetTabControl());
    ASSERT_EQ(strip->GetItemCount(), 2);
    EXPECT_EQ(strip->GetItemText(0), QStringLiteral("参数配置"));
    EXPECT_EQ(strip->GetItemText(1), QStringLiteral("运行监测"));
    EXPECT_EQ(view->GetPage(0), page0);
    EXPECT_EQ(view->GetPage(1), page1);
    EXPECT_EQ(view->GetPage(2), nullptr);
    EXPECT_EQ(view->GetPage(-1), nullptr);

    EXPECT_EQ(view->GetActiveIndex(), 0);
    EXPECT_EQ(strip->GetCurSel(), 0);
    EXPECT_TRUE(page0->isVisible() && page0->isEnabled());
    EXPECT_FALSE(page1->isVisible() || page1->isEnabled());
    EXPECT_EQ(page0->parentWidget(), strip);
    EXPECT_EQ(page0->View(), view.get());

    // The tuning page is built, never given a window and never touched.
    CMonitor& tuning = view->MonitorPage();
    EXPECT_EQ(tuning.TemplateId(), 142u);
    EXPECT_FALSE(tuning.HasWindow());
    EXPECT_EQ(tuning.parentWidget(), nullptr);
    EXPECT_FALSE(tuning.isVisible());
    EXPECT_EQ(tuning.View(), nullptr);

    QPointer<CMonitor> alive(&tuning);
    view.reset();
    EXPECT_TRUE(alive.isNull()) << "destroyed with the view";
}

TEST_F(SheetView, ClicksPostLeavingOnlyAwayFromTabOneAndActivatedToTheNewPage)
{
    ClickTab(*view, 1);
    EXPECT_EQ(log1.messages, kNone) << "posted, not sent";
    DeliverPosted();
    EXPECT_EQ(log0.messages, kNone) << "tab 0 is not told it is left";
    EXPECT_EQ(log1.messages, kActivated);
    EXPECT_EQ(view->GetActiveIndex(), 1);
    EXPECT_TRUE(page1->isVisible() && page1->isEnabled());
    EXPECT_FALSE(page0->isVisible() || page0->isEnabled());

    log0.messages.clear();
    log1.messages.clear();
    ClickTab(*view, 0);
    DeliverPosted();
    EXPECT_EQ(log1.messages, kLeaving);
    EXPECT_EQ(log0.messages, kActivated);
    EXPECT_EQ(view->GetActiveIndex(), 0);
    EXPECT_TRUE(page0->isVisible());
    EXPECT_FALSE(page1->isVisible());

    // Clicking the tab already shown changes nothing.
    log0.messages.clear();
    ClickTab(*view, 0);
    DeliverPosted();
    EXPECT_EQ(log0.messages, kNone);
    EXPECT_EQ(logTuning.messages, kNone);
}

TEST_F(SheetView, CtrlKeysWrapAroundWithoutPageMessages)
{
    // Controls that would use the keys themselves: a spin box steps on PgUp and PgDn.
    auto* spin0 = new QSpinBox(page0);
    auto* spin1 = new QSpinBox(page1);
    for (QSpinBox* spin : {spin0, spin1}) {
        spin->setRange(0, 1000);
        spin->setValue(500);
    }
    QSpinBox* spins[] = {spin0, spin1};

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int to;
    };
    const Step steps[] = {
        {Qt::Key_Tab, Qt::ControlModifier, 1},
        {Qt::Key_Tab, Qt::ControlModifier, 0},
        {Qt::Key_PageUp, Qt::ControlModifier, 1},
        {Qt::Key_PageUp, Qt::ControlModifier, 0},
        {Qt::Key_PageDown, Qt::ControlModifier, 1},
        {Qt::Key_PageDown, Qt::ControlModifier, 0},
        {Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier, 1},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 0},
    };
    for (const Step& step : steps) {
        Key(spins[view->GetActiveIndex()], step.key, step.modifiers);
        ASSERT_EQ(view->GetActiveIndex(), step.to) << step.key;
        EXPECT_EQ(view->GetTabControl()->GetCurSel(), step.to);
        EXPECT_TRUE(view->GetPage(step.to)->isVisible());
        EXPECT_FALSE(view->GetPage(1 - step.to)->isVisible());
    }
    EXPECT_EQ(log0.messages, kNone);
    EXPECT_EQ(log1.messages, kNone);
    EXPECT_EQ(spin0->value(), 500) << "the view takes the keys before the control";
    EXPECT_EQ(spin1->value(), 500);

    // Without Ctrl the keys are the control's; on the page itself they do nothing.
    Key(spin0, Qt::Key_PageUp);
    EXPECT_EQ(spin0->value(), 510);
    Key(page0, Qt::Key_Tab);
    EXPECT_EQ(view->GetActiveIndex(), 0);

    // Keys for a widget outside the view are none of its business.
    QWidget outside;
    Key(&outside, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(view->GetActiveIndex(), 0);
}

TEST_F(SheetView, EnterAndEscLeaveThePageShown)
{
    auto* edit = new QLineEdit(page0);
    for (QWidget* target : {static_cast<QWidget*>(edit), static_cast<QWidget*>(page0)}) {
        Key(target, Qt::Key_Return);
        Key(target, Qt::Key_Enter, Qt::KeypadModifier);
        Key(target, Qt::Key_Escape);
    }
    EXPECT_TRUE(page0->isVisible());
    EXPECT_TRUE(page0->isEnabled());
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->GetActiveIndex(), 0);
    EXPECT_EQ(log0.messages, kNone);
}

// Enter inside a page is the page's, as in a dialog: a window-wide Enter shortcut (the top
// strip's Send) must not fire from there, only from outside the pages.
TEST_F(SheetView, EnterInAPageDoesNotReachWindowShortcuts)
{
    QWidget window;
    auto* outside = new QLineEdit(&window);
    view->setParent(&window);
    view->setGeometry(0, 40, 880, 700);
    window.resize(900, 760);
    auto* edit = new QLineEdit(page0);
    int sent = 0;
    QShortcut shortcut(QKeySequence(Qt::Key_Return), &window);
    QObject::connect(&shortcut, &QShortcut::activated, [&sent] { ++sent; });
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    outside->setFocus();
    Key(outside, Qt::Key_Return);
    ASSERT_EQ(sent, 1) << "the shortcut works outside the pages";

    edit->setFocus();
    Key(edit, Qt::Key_Return);
    Key(edit, Qt::Key_Escape);
    EXPECT_EQ(sent, 1);
    EXPECT_TRUE(page0->isVisible());
    view->setParent(nullptr);
}

TEST_F(SheetView, TheShownPageGetsTheFocus)
{
    QWidget window;
    view->setParent(&window);
    window.resize(880, 700);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    // Each page's first control.
    ClickTab(*view, 1);
    EXPECT_TRUE(page1->isAncestorOf(QApplication::focusWidget()));
    Key(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(page0->isAncestorOf(QApplication::focusWidget()));
    // Destroyed with the focus inside a page.
    view.reset();
}

TEST_F(SheetView, InitialUpdateAnnouncesTheView)
{
    QSignalSpy spy(view.get(), &CBrantovelixSheetView::InitialUpdateDone);
    view->OnInitialUpdate();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<CBrantovelixSheetView*>(), view.get());
}

TEST_F(Host, HandlersAnswerThePageMessages)
{
    EXPECT_EQ(SendMessage(&a, WM_PAGE_INIT, 0, 0), 7);
    EXPECT_EQ(SendMessage(&a, WM_PAGE_ACTIVATED, 0, 0), -1);
    EXPECT_EQ(SendMessage(&a, WM_PAGE_LEAVING, 0, 0), 0);
    EXPECT_EQ(a.handled, Messages({WM_PAGE_INIT, WM_PAGE_ACTIVATED, WM_PAGE_LEAVING}));
}

TEST_F(Host, APageThatRefusesToBeLeftKeepsItsTab)
{
    ClickTab(*view, 1);
    DeliverPosted();
    b.handled.clear();
    b.acceptData = false;

    ClickTab(*view, 0);
    DeliverPosted();
    ExpectOn(1);
    // The page hears that it is left before it is asked, so it hears it even when it refuses.
    EXPECT_EQ(b.handled, kLeaving);
    EXPECT_EQ(a.handled, kNone);

    // Nor do the keys move away from it.
    b.handled.clear();
    Key(&b, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(view->GetActiveIndex(), 1);
    EXPECT_EQ(b.handled, kNone);

    // A refusing first page is told nothing at all.
    b.acceptData = true;
    EXPECT_TRUE(view->SetActivePage(0));
    a.acceptData = false;
    ClickTab(*view, 1);
    DeliverPosted();
    EXPECT_EQ(view->GetActiveIndex(), 0);
    EXPECT_EQ(a.handled, kNone);
    EXPECT_EQ(b.handled, kNone);
}

TEST_F(Host, APageThatRefusesToBeShownSendsTheStripBack)
{
    b.acceptShow = false;
    ClickTab(*view, 1);
    DeliverPosted();
    ExpectOn(0);
    EXPECT_EQ(b.handled, kNone);
    EXPECT_FALSE(view->SetActivePage(1));
    EXPECT_EQ(view->GetActiveIndex(), 0);
}

TEST_F(Host, OnlyTheFirstActivationSkipsTheTransfer)
{
    EXPECT_EQ(a.loads, 0);
    EXPECT_EQ(b.loads, 0);
    ClickTab(*view, 1);
    EXPECT_EQ(b.loads, 1);
    EXPECT_EQ(a.saves, 1);
    ClickTab(*view, 0);
    EXPECT_EQ(a.loads, 1);
    Key(&a, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(b.loads, 2);
    EXPECT_TRUE(view->SetActivePage(0));
    EXPECT_EQ(a.loads, 2);
    EXPECT_EQ(b.saves, 2);
}

TEST_F(Host, SetActivePagePostsNothing)
{
    EXPECT_FALSE(view->SetActivePage(2));
    EXPECT_FALSE(view->SetActivePage(-1));
    EXPECT_TRUE(view->SetActivePage(0));
    EXPECT_EQ(a.saves, 0) << "the active page is not asked again";
    EXPECT_TRUE(view->SetActivePage(1));
    DeliverPosted();
    EXPECT_EQ(view->GetTabControl()->GetCurSel(), 1);
    EXPECT_TRUE(b.isVisible());
    EXPECT_EQ(a.handled, kNone);
    EXPECT_EQ(b.handled, kNone);
}

TEST_F(Host, InitialUpdateRunsThePagesInTabOrder)
{
    QString order;
    a.updateOrder = &order;
    b.updateOrder = &order;
    view->OnInitialUpdate();
    EXPECT_EQ(order, QStringLiteral("ab"));
    EXPECT_EQ(a.loads, 1);
    EXPECT_EQ(b.loads, 1);
}

TEST(PageHost, APageWithoutAWindowIsNotAdded)
{
    CPropertyView view;
    TestPage page(QStringLiteral("x"));
    page.buildFails = true;
    EXPECT_FALSE(view.AddPage(&page));
    EXPECT_FALSE(page.HasWindow());
    EXPECT_EQ(page.View(), nullptr);
    EXPECT_EQ(page.parentWidget(), nullptr);
    EXPECT_EQ(view.GetTabControl()->GetItemCount(), 0);
    EXPECT_EQ(view.GetActiveIndex(), -1);

    TestPage titled(QStringLiteral("caption"));
    EXPECT_TRUE(view.AddPage(&titled, QStringLiteral("title")));
    EXPECT_EQ(view.GetTabControl()->GetItemText(0), QStringLiteral("title"));
    EXPECT_EQ(view.GetActiveIndex(), 0);
    EXPECT_EQ(titled.PageSize(), QSize(300, 200));
}

// The page area: strip 4 pixels below the top, page 2 pixels inside the strip's page area.
QRect PageArea(CPropertyView& view)
{
    CViewTabCtl* strip = view.GetTabControl();
    return strip->AdjustRect(false, strip->geometry()).adjusted(2, 2, -2, -2).translated(-strip->pos());
}

TEST_F(Host, ALargeViewStretchesThePage)
{
    QCoreApplication::processEvents();
    EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(view->verticalScrollBar()->isVisible());
    CViewTabCtl* strip = view->GetTabControl();
    EXPECT_EQ(strip->geometry(), QRect(0, 4, 700, 496));
    EXPECT_EQ(a.geometry(), PageArea(*view));
    EXPECT_GT(a.width(), 300);

    // The band above the strip is the view's background.
    const QImage image = view->grab().toImage();
    EXPECT_EQ(image.pixelColor(650, 1), QColor(240, 240, 240));
}

TEST_F(Host, ASmallViewScrollsAndKeepsThePageSize)
{
    for (QSize size : {QSize(150, 120), QSize(200, 600), QSize(600, 150)}) {
        view->resize(size);
        QCoreApplication::processEvents();
        SCOPED_TRACE(size.width());
        // Never smaller than it was made; stretched where the view has room.
        EXPECT_EQ(a.width() == 300, size.width() < 300);
        EXPECT_GE(a.width(), 300);
        EXPECT_EQ(a.height() == 200, size.height() < 200);
        EXPECT_GE(a.height(), 200);
        EXPECT_EQ(a.geometry(), PageArea(*view));
        EXPECT_EQ(view->horizontalScrollBar()->isVisible(), size.width() < 300);
        EXPECT_EQ(view->verticalScrollBar()->isVisible(), size.height() < 200);
        // Everything of the page can be scrolled into sight, and no more.
        const QWidget* canvas = view->widget();
        EXPECT_EQ(canvas->width() - view->viewport()->width(), view->horizontalScrollBar()->maximum());
        EXPECT_EQ(canvas->height() - view->viewport()->height(), view->verticalScrollBar()->maximum());
    }
}

} // namespace
