#pragma once
#include <QPointer>
#include <QStringList>
#include <vector>

#include "settings/TFormPlacement.h"
#include "settings/TStoredValues.h"

// A window's settings: its placement, integer properties of its components ("Component.Property"
// lines) and named values, kept in the window's section of the settings file.
class TFormStorage : public TFormPlacement {
    Q_OBJECT
public:
    explicit TFormStorage(QObject* owner = nullptr);
    ~TFormStorage() override;

    // The lines, each rewritten from its component's current name once linked.
    QStringList StoredProps() const;
    void SetStoredProps(const QStringList& lines);

    TStoredValues& StoredValues() { return m_storedValues; }
    const TStoredValues& StoredValues() const { return m_storedValues; }

    void SetWindow(IPlacementWindow* window) override;
    void Loaded() override;

protected:
    void SaveWindowPlacement() override;
    void RestoreWindowPlacement() override;
    virtual void SaveStoredProps();
    // Failures are ignored: a property that cannot be read or set keeps its value.
    virtual void RestoreStoredProps();

private:
    struct StoredProp {
        QPointer<QObject> component;
        QString property;
    };
    // Links each line to its window component; lines that do not split or name no component go.
    void LinkStoredProps();
    // Drops the lines whose component is gone.
    void UpdateStoredProps();

    QStringList m_lines;
    bool m_linked = false;
    std::vector<StoredProp> m_props;
    TStoredValues m_storedValues;
};
