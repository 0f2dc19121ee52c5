#include "ui/TWidgetWindow.h"

#include <QSplitter>

#include <QGuiApplication>
#include <QMetaProperty>
#include <QScreen>
#include <QWindow>
#include <array>

#include "core/TextCompare.h"

using namespace Qt::StringLiterals;

namespace {

const std::array<QString, 4> kGeometryProperties = {u"Left"_s, u"Top"_s, u"Width"_s, u"Height"_s};

// The writable integer Qt property of that name (without regard to case), most derived class first.
QMetaProperty IntMetaProperty(const QObject* component, const QString& name) {
    const QMetaObject* meta = component->metaObject();
    for (int i = meta->propertyCount() - 1; i >= 0; --i) {
        QMetaProperty p = meta->property(i);
        if (p.isWritable() && p.metaType().id() == QMetaType::Int && AnsiSameText(QString::fromLatin1(p.name()), name))
            return p;
    }
    return {};
}

constexpr Qt::WindowStates kSizeStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

}  // namespace

TWidgetWindow::TWidgetWindow(QWidget& window) : m_window(&window) {}

QScreen* TWidgetWindow::Screen() const {
    QScreen* s = m_window ? m_window->screen() : nullptr;
    return s ? s : QGuiApplication::primaryScreen();
}

void TWidgetWindow::CentreIfAsked() {
    QScreen* s = Screen();
    if (!m_window || !s || !IsCentred()) return;
    QRect frame = m_window->frameGeometry();
    frame.moveCenter(s->availableGeometry().center());
    m_window->move(frame.topLeft());
}

TWindowPlacement TWidgetWindow::Placement() const {
    TWindowPlacement p;
    p.MinPosition = m_minPosition;
    p.MaxPosition = m_maxPosition;
    if (!m_window) return p;
    // Show command and flags from Qt's window state: minimized 2, maximized 3, else 1; both gives the restore flag.
    const Qt::WindowStates st = m_window->windowState();
    if ((st & Qt::WindowMinimized) && (st & Qt::WindowMaximized)) p.Flags = TWindowPlacement::RestoreToMaximized;
    p.ShowCmd = (st & Qt::WindowMinimized)   ? TWindowPlacement::ShowMinimized
                : (st & Qt::WindowMaximized) ? TWindowPlacement::ShowMaximized
                                             : TWindowPlacement::ShowNormal;
    // Normal rectangle = Qt's normal geometry (client area, frame excluded), which setGeometry() takes back unchanged.
    QRect g = m_window->normalGeometry();
    if (!g.isValid()) g = m_window->geometry();
    p.Left = g.x();
    p.Top = g.y();
    p.Right = g.x() + g.width();
    p.Bottom = g.y() + g.height();
    return p;
}

void TWidgetWindow::SetPlacement(const TWindowPlacement& placement) {
    m_minPosition = placement.MinPosition;
    m_maxPosition = placement.MaxPosition;
    if (!m_window) return;
    const TWindowPlacement current = Placement();
    const QRect r(placement.Left, placement.Top, placement.Width(), placement.Height());
    if (placement.Left != current.Left || placement.Top != current.Top || placement.Right != current.Right ||
        placement.Bottom != current.Bottom) {
        // Qt sets the normal geometry of a window in normal state only.
        const Qt::WindowStates st = m_window->windowState();
        if (st & kSizeStates) m_window->setWindowState(st & ~kSizeStates);
        m_window->setGeometry(r);
        if (st & kSizeStates) m_window->setWindowState(st);
    }
    switch (placement.ShowCmd) {
        case TWindowPlacement::ShowHidden: break;
        case TWindowPlacement::ShowMinimized: SetWindowState(TWindowState::wsMinimized); break;
        case TWindowPlacement::ShowMaximized: SetWindowState(TWindowState::wsMaximized); break;
        default: SetWindowState(TWindowState::wsNormal); break;
    }
}

bool TWidgetWindow::IsVisible() const {
    return m_window && m_window->isVisible() && m_window->windowHandle() && m_window->windowHandle()->isVisible();
}

TWindowState TWidgetWindow::WindowState() const {
    if (!m_window) return TWindowState::wsNormal;
    const Qt::WindowStates st = m_window->windowState();
    if (st & Qt::WindowMinimized) return TWindowState::wsMinimized;
    if (st & Qt::WindowMaximized) return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
}

void TWidgetWindow::SetWindowState(TWindowState state) {
    if (!m_window || WindowState() == state) return;
    Qt::WindowStates st = m_window->windowState() & ~kSizeStates;
    if (state == TWindowState::wsMinimized) st |= Qt::WindowMinimized;
    if (state == TWindowState::wsMaximized) st |= Qt::WindowMaximized;
    m_window->setWindowState(st);
}

// Qt minimizes windows, not applications: the application counts as minimized with its main window.
bool TWidgetWindow::IsApplicationMinimized() const { return m_main && WindowState() == TWindowState::wsMinimized; }

void TWidgetWindow::MinimizeApplication() { SetWindowState(TWindowState::wsMinimized); }

bool TWidgetWindow::IsResizable() const {
    return m_window && m_window->minimumSize() != m_window->maximumSize() &&
           !m_window->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint);
}

// Frame thickness = the window system's frame margins: left edge in x, bottom edge in y (the top holds the title).
QPoint TWidgetWindow::FrameThickness() const {
    if (!m_window || m_window->windowFlags().testFlag(Qt::FramelessWindowHint)) return {0, 0};
    const QRect f = m_window->frameGeometry(), g = m_window->geometry();
    return {g.left() - f.left(), f.bottom() - g.bottom()};
}

QSize TWidgetWindow::ScreenSize() const {
    QScreen* s = Screen();
    return s ? s->size() : QSize();
}

int TWidgetWindow::ScreenPixelsPerInch() const {
    QScreen* s = Screen();
    return s ? qRound(s->logicalDotsPerInch()) : 96;
}

void TWidgetWindow::Repaint() {
    if (m_window) m_window->update();
}

QObject* TWidgetWindow::FindComponent(const QString& name) const {
    return m_window && !name.isEmpty() ? m_window->findChild<QObject*>(name) : nullptr;
}

QString TWidgetWindow::PropertyName(QObject* component, const QString& name) const {
    if (!component) return {};
    QMetaProperty p = IntMetaProperty(component, name);
    if (p.isValid()) return QString::fromLatin1(p.name());
    if (component->isWidgetType())
        for (const QString& g : kGeometryProperties)
            if (AnsiSameText(g, name)) return g;
    return {};
}

std::optional<int> TWidgetWindow::IntProperty(QObject* component, const QString& declaredName) const {
    if (!component) return std::nullopt;
    QMetaProperty p = IntMetaProperty(component, declaredName);
    if (p.isValid()) {
        QVariant v = p.read(component);
        if (v.isValid()) return v.toInt();
        return std::nullopt;
    }
    auto* w = qobject_cast<QWidget*>(component);
    if (!w) return std::nullopt;
    if (declaredName == kGeometryProperties[0]) return w->x();
    if (declaredName == kGeometryProperties[1]) return w->y();
    if (declaredName == kGeometryProperties[2]) return w->width();
    if (declaredName == kGeometryProperties[3]) return w->height();
    return std::nullopt;
}

bool TWidgetWindow::SetIntProperty(QObject* component, const QString& declaredName, int value) {
    if (!component) return false;
    QMetaProperty p = IntMetaProperty(component, declaredName);
    if (p.isValid()) return p.write(component, value);
    auto* w = qobject_cast<QWidget*>(component);
    if (!w) return false;
    // A panel in a splitter gets its size from the splitter.
    if (auto* splitter = qobject_cast<QSplitter*>(w->parentWidget());
        splitter && declaredName == kGeometryProperties[splitter->orientation() == Qt::Horizontal ? 2 : 3]) {
        QList<int> sizes = splitter->sizes();
        const int i = splitter->indexOf(w);
        if (i >= 0 && i < sizes.size()) {
            const int next = i + 1 < sizes.size() ? i + 1 : i - 1;
            if (next >= 0) sizes[next] = std::max(1, sizes[next] + sizes[i] - value);
            sizes[i] = std::max(0, value);
            splitter->setSizes(sizes);
            return true;
        }
    }
    if (declaredName == kGeometryProperties[0]) w->move(value, w->y());
    else if (declaredName == kGeometryProperties[1]) w->move(w->x(), value);
    else if (declaredName == kGeometryProperties[2]) w->resize(value, w->height());
    else if (declaredName == kGeometryProperties[3]) w->resize(w->width(), value);
    else return false;
    return true;
}
