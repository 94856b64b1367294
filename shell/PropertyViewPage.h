#pragma once

#include "link/DriveContext.h"
#include "platform/WindowMessage.h"

#include <QSize>
#include <QWidget>

class CPropertyView;

// Base class of the drive pages: a dialog page that lives under one tab of the page host
// (CPropertyView). The object exists from construction; its window - its controls, built
// by OnInitDialog - only once the host adds it as a tab. A page that is never added stays a
// window-less object.
//
// The host and the main frame talk to a page with three posted messages, each delivered to
// a virtual handler a page overrides:
//   WM_PAGE_LEAVING   -> OnPageLeaving()    the user clicks away from this page (not tab 0)
//   WM_PAGE_ACTIVATED -> OnPageActivated()  the page was just shown by a tab click, or a
//                                           drive was connected
//   WM_PAGE_INIT      -> OnPageInit()       a drive was connected
// A handler's return value is the message's result. A page with messages of its own
// overrides event() and hands everything else on to CPropertyViewPage::event().
//
// Enter and Esc never close or hide a page: they go to OnOK() and OnCancel(), which do
// nothing, and they are kept from window-wide shortcuts while the focus is in the page.
class CPropertyViewPage : public QWidget {
    Q_OBJECT
public:
    // templateId names the page's dialog; captionId is 0 to keep the dialog's own caption
    // (the window title the page gives itself), which becomes its tab text.
    CPropertyViewPage(unsigned templateId, unsigned captionId);
    ~CPropertyViewPage() override;

    unsigned TemplateId() const { return m_nTemplateId; }
    unsigned CaptionId() const { return m_nCaptionId; }
    // The host the page was added to; null before.
    CPropertyView* View() const { return m_pView; }

    // Makes the page's window a hidden child of parent and builds its controls
    // (OnInitDialog). False, and still no window, when OnInitDialog fails.
    bool Create(QWidget* parent);
    bool HasWindow() const { return m_bHasWindow; }
    // The size the page had when its window was made; the host never lays it out smaller.
    QSize PageSize() const { return m_sizePage; }

    // Moves values from the members into the controls (false) or back (true); false when
    // a control holds a value the page rejects (the page has told the user why).
    bool UpdateData(bool saveAndValidate = true);

    virtual void OnOK();
    virtual void OnCancel();
    virtual void SetModified(bool modified = true);
    virtual bool IsModified() const;
    // The host is about to show the page: fills the controls, except right after the page
    // became the first active page, which needs no transfer. False keeps the old page.
    virtual bool OnSetActive();
    // The host is about to leave the page: takes the controls' values; false vetoes.
    virtual bool OnKillActive();
    // Once the main window exists, before the program runs.
    virtual void OnInitialUpdate();
    virtual void OnUpdate(QWidget* sender, LPARAM hint, QObject* hintObject);
    virtual bool OnApply();

    // What the page works the drive with; the main window hands it in before the page
    // starts. Until then the link's own transaction serves.
    virtual void SetDriveContext(const DriveContext& context);
    const DriveContext& Context() const { return m_context; }

protected:
    // Builds the controls when the window is made; false when they cannot be built. A page
    // that has a dialog size of its own resize()s itself here; otherwise its size hint
    // counts.
    virtual bool OnInitDialog();
    // The transfer UpdateData runs.
    virtual bool DoDataExchange(bool saveAndValidate);

    virtual LPARAM OnPageLeaving();
    virtual LPARAM OnPageActivated();
    virtual LPARAM OnPageInit();

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    friend class CPropertyView;

    static bool IsDialogKey(const QKeyEvent* event);

    unsigned m_nTemplateId;
    unsigned m_nCaptionId;
    CPropertyView* m_pView = nullptr;
    bool m_bModified = false;
    // Skip the transfer of the next OnSetActive.
    bool m_bSkipUpdate = false;
    bool m_bHasWindow = false;
    QSize m_sizePage;
    DriveContext m_context;
};
