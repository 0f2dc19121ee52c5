#pragma once
#include <functional>
#include <vector>

#include "core/TComponent.h"
#include "data/DBTypes.h"

class TDataLink;
class TDataSet;
class TField;

// Connects a dataset to the data links of controls, grids and detail datasets.
class TDataSource : public TComponent {
    Q_OBJECT
public:
    explicit TDataSource(QObject* owner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet* dataSet);
    // A disabled source shows its links an inactive dataset.
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    // Bound controls may put the dataset into edit state by themselves.
    bool AutoEdit() const { return m_autoEdit; }
    void SetAutoEdit(bool autoEdit) { m_autoEdit = autoEdit; }
    // The dataset's state as the links see it.
    TDataSetState State() const { return m_state; }
    // Edit on the dataset when AutoEdit and the dataset is in browse state.
    void Edit();
    // The dataset is this source's dataset or one of its masters.
    bool IsLinkedTo(const TDataSet* dataSet) const;
    const std::vector<TDataLink*>& DataLinks() const { return m_links; }

    // field: the one written, or null when the row or the rows changed.
    std::function<void(TDataSource&, TField*)> OnDataChange;
    std::function<void(TDataSource&)> OnStateChange;
    std::function<void(TDataSource&)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, const void* info);
    void AddLink(TDataLink* link) { m_links.push_back(link); }
    void RemoveLink(TDataLink* link);
    void UpdateState();

    TDataSet* m_dataSet = nullptr;
    bool m_enabled = true;
    bool m_autoEdit = true;
    TDataSetState m_state = dsInactive;
    std::vector<TDataLink*> m_links;
};
