#include "controls/EditEx.h"

#include "controls/LogFont.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPalette>

CEditEx::CEditEx(QWidget* parent)
    : QLineEdit(parent)
    , m_crBkColor(RefFromColor(QApplication::palette().color(QPalette::Active, QPalette::Base)))
    , m_crTextColor(RefFromColor(QApplication::palette().color(QPalette::Active, QPalette::Text)))
{
    CreateBkBrush();
    ApplyColors();
}

CEditEx::~CEditEx() = default;

void CEditEx::CreateBkBrush()
{
    m_brBkgnd = QBrush(ColorFromRef(m_crBkColor), Qt::SolidPattern);
}

// The colours go into every colour group, so a read-only or disabled lamp keeps them.
void CEditEx::ApplyColors()
{
    QPalette pal = palette();
    const QColor text = ColorFromRef(m_crTextColor);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setBrush(group, QPalette::Base, m_brBkgnd);
        pal.setColor(group, QPalette::Text, text);
    }
    setPalette(pal);
    update();
}

COLORREF CEditEx::SetBkColor(COLORREF color)
{
    const COLORREF old = m_crBkColor;
    m_crBkColor = color;
    CreateBkBrush();
    ApplyColors();
    return old;
}

COLORREF CEditEx::SetTextColor(COLORREF color)
{
    const COLORREF old = m_crTextColor;
    m_crTextColor = color;
    ApplyColors();
    return old;
}

void CEditEx::SetFont(int height, int /*weight*/, uint8_t pitchAndFamily, const QString& faceName)
{
    setFont(FontFromLogFont(height, QFont::Normal, pitchAndFamily, faceName));
}

void CEditEx::SetCharFilter(std::unique_ptr<CharFilter> filter)
{
    m_pCharFilter = std::move(filter);
}

void CEditEx::SetContextMenu(QMenu* menu)
{
    if (m_pMenu == menu)
        return;
    delete m_pMenu.data();
    m_pMenu = menu;
    if (m_pMenu)
        m_pMenu->setParent(this, m_pMenu->windowFlags());
}

void CEditEx::keyPressEvent(QKeyEvent* event)
{
    if (m_pCharFilter) {
        for (QChar ch : event->text()) {
            if (!m_pCharFilter->Accept(ch.unicode())) {
                QApplication::beep();
                event->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void CEditEx::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_pMenu) {
        QLineEdit::contextMenuEvent(event);
        return;
    }
    m_pMenu->exec(event->globalPos());
    event->accept();
}
