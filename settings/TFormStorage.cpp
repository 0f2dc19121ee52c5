#include "settings/TFormStorage.h"

#include "settings/IPlacementWindow.h"
#include "settings/IniProfile.h"

using namespace Qt::StringLiterals;

TFormStorage::TFormStorage(QObject* owner) : TFormPlacement(owner) {}

TFormStorage::~TFormStorage() = default;

QStringList TFormStorage::StoredProps() const {
    if (!m_linked) return m_lines;
    QStringList lines;
    for (const StoredProp& p : m_props)
        if (p.component) lines << p.component->objectName() + u'.' + p.property;
    return lines;
}

void TFormStorage::SetStoredProps(const QStringList& lines) {
    m_lines = lines;
    m_linked = false;
    m_props.clear();
    if (Window() && !IsLoading()) LinkStoredProps();
}

void TFormStorage::SetWindow(IPlacementWindow* window) {
    TFormPlacement::SetWindow(window);
    if (window && !IsLoading() && !m_linked) LinkStoredProps();
}

void TFormStorage::Loaded() {
    TFormPlacement::Loaded();
    if (Window() && !m_linked) LinkStoredProps();
}

void TFormStorage::LinkStoredProps() {
    m_props.clear();
    for (const QString& line : std::as_const(m_lines)) {
        const qsizetype dot = line.indexOf(u'.');
        if (dot < 0) continue;
        const QString component = line.left(dot).trimmed(), property = line.mid(dot + 1).trimmed();
        if (component.isEmpty() || property.isEmpty()) continue;
        if (QObject* c = Window()->FindComponent(component)) m_props.push_back({c, property});
    }
    m_linked = true;
}

void TFormStorage::UpdateStoredProps() {
    if (!m_linked && Window()) LinkStoredProps();
    std::erase_if(m_props, [](const StoredProp& p) { return p.component.isNull(); });
}

void TFormStorage::SaveWindowPlacement() {
    TFormPlacement::SaveWindowPlacement();
    SaveStoredProps();
    const QString section = IniSection();
    for (int i = 0; i < m_storedValues.Count(); ++i) {
        const TStoredValue& v = m_storedValues.Item(i);
        WriteText(section, v.Name(), v.AsString());
    }
}

void TFormStorage::RestoreWindowPlacement() {
    TFormPlacement::RestoreWindowPlacement();
    SetRestored();
    try {
        RestoreStoredProps();
    } catch (...) {
        // A stored property that cannot be restored keeps its value.
    }
    const QString section = IniSection();
    for (int i = 0; i < m_storedValues.Count(); ++i) {
        TStoredValue& v = m_storedValues.Item(i);
        v.SetAsString(ReadText(section, v.Name(), v.AsString()));
    }
}

void TFormStorage::SaveStoredProps() {
    UpdateStoredProps();
    if (!Window()) return;
    const QString section = IniSection();
    for (const StoredProp& p : m_props) {
        const QString declared = Window()->PropertyName(p.component, p.property);
        if (declared.isEmpty()) continue;
        const std::optional<int> value = Window()->IntProperty(p.component, declared);
        if (!value) continue;
        WriteText(section, p.component->objectName() + u'_' + declared, QString::number(*value));
    }
}

void TFormStorage::RestoreStoredProps() {
    UpdateStoredProps();
    if (!Window()) return;
    const QString section = IniSection();
    for (const StoredProp& p : m_props) {
        try {
            const QString declared = Window()->PropertyName(p.component, p.property);
            if (declared.isEmpty()) continue;
            const std::optional<int> current = Window()->IntProperty(p.component, declared);
            if (!current) continue;
            const QString key = p.component->objectName() + u'_' + declared;
            const QString text = ReadText(section, key, QString::number(*current)).trimmed();
            Window()->SetIntProperty(p.component, declared, ProfileTextToInt(text, 0));
        } catch (...) {
            // The property keeps its value.
        }
    }
}
