#pragma once
#include <QObject>
#include <QString>

// A named object owned by another (the QObject tree), with the loading and design states.
class TComponent : public QObject {
    Q_OBJECT
public:
    enum State { csLoading = 1, csDesigning = 2, csDestroying = 4 };

    explicit TComponent(QObject* owner = nullptr);
    ~TComponent() override;

    QString Name() const { return objectName(); }
    virtual void SetName(const QString& name) { setObjectName(name); }
    QObject* Owner() const { return parent(); }

    int ComponentState() const { return m_state; }
    bool IsLoading() const { return (m_state & csLoading) != 0; }
    bool IsDesigning() const { return (m_state & csDesigning) != 0; }
    bool IsDestroying() const { return (m_state & csDestroying) != 0; }

    // Enters the loading state, in which design values are applied without side effects.
    void Loading() { m_state |= csLoading; }
    // Leaves the loading state and runs what depends on the loaded values.
    virtual void Loaded() { m_state &= ~csLoading; }
    void SetDesigning(bool on) { on ? m_state |= csDesigning : m_state &= ~csDesigning; }

    // The owners' names, outermost first, then the own name, joined by "."; unnamed owners are left out.
    QString FullName() const;

protected:
    void MarkDestroying() { m_state |= csDestroying; }

private:
    int m_state = 0;
};

// Full name of any object: a component's full name, otherwise the names along the QObject tree.
QString FullNameOf(const QObject* object);
