#include "data/TMasterDataLink.h"

void TMasterDataLink::ActiveChanged() {
    if (Active()) {
        if (OnMasterOpen) OnMasterOpen();
    } else if (OnMasterClose) {
        OnMasterClose();
    }
}

void TMasterDataLink::DataSetScrolled(int distance) {
    (void)distance;
    Changed();
}

void TMasterDataLink::RecordChanged(TField* field) {
    if (!field) Changed();
}

void TMasterDataLink::Changed() {
    if (Active() && OnMasterChange) OnMasterChange();
}

void TMasterDataLink::CheckBrowseMode() {
    if (OnMasterCheckBrowseMode) OnMasterCheckBrowseMode();
}
