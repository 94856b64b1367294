#include "controls/ViewTabCtl.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

CViewTabCtl::CViewTabCtl(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    // Every pixel is painted by paintEvent, so nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CViewTabCtl::~CViewTabCtl() = default;

void CViewTabCtl::Invalidate()
{
    m_layout.reset();
    m_pictures.clear();
    update();
}

const TabStripLayout& CViewTabCtl::Layout() const
{
    if (!m_layout) {
        QStringList captions;
        for (const Item& item : m_items)
            captions << item.text;
        m_layout.emplace(captions, font());
    }
    return *m_layout;
}

const QImage& CViewTabCtl::Picture(int tab) const
{
    static const QImage none;
    if (tab < 0 || tab >= GetItemCount())
        return none;
    if (m_pictures.size() != m_items.size())
        m_pictures = QList<QImage>(m_items.size());
    QImage& picture = m_pictures[tab];
    if (picture.isNull())
        picture = Layout().Picture(tab);
    return picture;
}

int CViewTabCtl::InsertItem(int index, const QString& text, QWidget* page)
{
    if (index < 0)
        return -1;
    index = std::min(index, GetItemCount());
    m_items.insert(index, Item {text, page});
    if (m_nCurSel >= index)
        ++m_nCurSel;
    Invalidate();
    return index;
}

QString CViewTabCtl::GetItemText(int index) const
{
    return index >= 0 && index < GetItemCount() ? m_items.at(index).text : QString();
}

QWidget* CViewTabCtl::GetItemData(int index) const
{
    return index >= 0 && index < GetItemCount() ? m_items.at(index).page.data() : nullptr;
}

int CViewTabCtl::SetCurSel(int index)
{
    if (index < -1 || index >= GetItemCount())
        return -1;
    const int previous = m_nCurSel;
    m_nCurSel = index;
    if (previous != index)
        update();
    return previous;
}

QRect CViewTabCtl::AdjustRect(bool larger, const QRect& rect) const
{
    return Layout().AdjustRect(larger, rect);
}

int CViewTabCtl::HitTest(const QPoint& point) const
{
    return Layout().HitTest(point, m_nCurSel);
}

void CViewTabCtl::SetTabRect(QRect& area, QWidget* page)
{
    setGeometry(area);
    area = AdjustRect(false, area);
    if (!page)
        return;
    // A page inside the strip is placed in the strip's own coordinates.
    page->setGeometry(page->parentWidget() == this ? area.translated(-pos()) : area);
}

void CViewTabCtl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ColorFromRef(kTabStripBackground));
    if (m_nCurSel >= 0)
        painter.drawImage(QPoint(0, 0), Picture(m_nCurSel));
}

void CViewTabCtl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const int hit = HitTest(event->position().toPoint());
    if (hit < 0 || hit == m_nCurSel)
        return;
    bool cancel = false;
    emit SelChanging(&cancel);
    // The handler may have changed the tabs while it decided.
    if (cancel || hit >= GetItemCount())
        return;
    m_nCurSel = hit;
    update();
    emit SelChange();
}

void CViewTabCtl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        Invalidate();
    QWidget::changeEvent(event);
}
