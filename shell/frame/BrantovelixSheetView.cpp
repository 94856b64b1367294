#include "shell/frame/BrantovelixSheetView.h"

CBrantovelixSheetView::CBrantovelixSheetView(QWidget* parent)
    : CPropertyView(parent)
{
    AddPage(&m_pageBasicParam);
    AddPage(&m_pagePidParam);
}

CBrantovelixSheetView::~CBrantovelixSheetView() = default;

void CBrantovelixSheetView::OnInitialUpdate()
{
    CPropertyView::OnInitialUpdate();
    emit InitialUpdateDone(this);
}

void CBrantovelixSheetView::SetDriveContext(const DriveContext& context)
{
    for (CPropertyViewPage* page : std::initializer_list<CPropertyViewPage*> { &m_pageBasicParam, &m_pagePidParam, &m_pageMonitor })
        page->SetDriveContext(context);
}
