#include "shell/PropertyViewPage.h"

#include "shell/PropertyView.h"

#include <QFocusEvent>
#include <QKeyEvent>

CPropertyViewPage::CPropertyViewPage(unsigned templateId, unsigned captionId)
    : m_nTemplateId(templateId)
    , m_nCaptionId(captionId)
{
}

CPropertyViewPage::~CPropertyViewPage() = default;

bool CPropertyViewPage::Create(QWidget* parent)
{
    if (m_bHasWindow)
        return true;
    setParent(parent);
    hide();
    if (!OnInitDialog()) {
        setParent(nullptr);
        return false;
    }
    const QSize hint = sizeHint().expandedTo(minimumSizeHint()).expandedTo(QSize(0, 0));
    m_sizePage = testAttribute(Qt::WA_Resized) ? size() : hint;
    m_bHasWindow = true;
    return true;
}

bool CPropertyViewPage::UpdateData(bool saveAndValidate)
{
    return DoDataExchange(saveAndValidate);
}

void CPropertyViewPage::OnOK()
{
}

void CPropertyViewPage::OnCancel()
{
}

void CPropertyViewPage::SetModified(bool modified)
{
    if (m_pView)
        m_pView->OnPageModified(modified);
    m_bModified = modified;
}

bool CPropertyViewPage::IsModified() const
{
    return m_bModified;
}

bool CPropertyViewPage::OnSetActive()
{
    if (m_bSkipUpdate)
        m_bSkipUpdate = false;
    else
        UpdateData(false);
    return true;
}

bool CPropertyViewPage::OnKillActive()
{
    return UpdateData(true);
}

void CPropertyViewPage::OnInitialUpdate()
{
    UpdateData(false);
    OnUpdate(nullptr, 0, nullptr);
}

void CPropertyViewPage::OnUpdate(QWidget*, LPARAM, QObject*)
{
}

bool CPropertyViewPage::OnApply()
{
    const bool ok = UpdateData(true);
    OnOK();
    return ok;
}

void CPropertyViewPage::SetDriveContext(const DriveContext& context)
{
    m_context = context;
}

bool CPropertyViewPage::OnInitDialog()
{
    return true;
}

bool CPropertyViewPage::DoDataExchange(bool)
{
    return true;
}

LPARAM CPropertyViewPage::OnPageLeaving()
{
    return 0;
}

LPARAM CPropertyViewPage::OnPageActivated()
{
    return 0;
}

LPARAM CPropertyViewPage::OnPageInit()
{
    return 0;
}

bool CPropertyViewPage::IsDialogKey(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier)
        return false;
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape;
}

bool CPropertyViewPage::event(QEvent* event)
{
    switch (WindowMessage::MessageOf(event)) {
    case WM_PAGE_LEAVING:
        static_cast<WindowMessage*>(event)->SetResult(OnPageLeaving());
        return true;
    case WM_PAGE_ACTIVATED:
        static_cast<WindowMessage*>(event)->SetResult(OnPageActivated());
        return true;
    case WM_PAGE_INIT:
        static_cast<WindowMessage*>(event)->SetResult(OnPageInit());
        return true;
    default:
        break;
    }
    // Enter and Esc belong to the page while its controls have the focus, as in a dialog:
    // a window-wide Enter shortcut (the top strip's Send) must not fire from inside a page.
    if (event->type() == QEvent::ShortcutOverride && IsDialogKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void CPropertyViewPage::keyPressEvent(QKeyEvent* event)
{
    if (!IsDialogKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Escape)
        OnCancel();
    else
        OnOK();
    event->accept();
}

void CPropertyViewPage::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    // As in a dialog, the focus given to the page goes on to its first control that takes it.
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(this) && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}
