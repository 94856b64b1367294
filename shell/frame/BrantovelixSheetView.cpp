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
