#pragma once
#include <functional>

#include "data/TDataLink.h"

// A detail dataset's link to its master's data source: tells the detail when the master opens,
// closes, moves to another row or changes its rows (posting, refreshing, reopening).
class TMasterDataLink : public TDataLink {
public:
    std::function<void()> OnMasterOpen;
    std::function<void()> OnMasterClose;
    std::function<void()> OnMasterChange;
    // The master is about to move or end its own pending change.
    std::function<void()> OnMasterCheckBrowseMode;

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void DataSetChanged() override { Changed(); }
    void DataSetScrolled(int distance) override;
    // Only a change of the whole row counts; single field writes in edit state do not.
    void RecordChanged(TField* field) override;

private:
    void Changed();
};
