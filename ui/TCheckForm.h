#pragma once
#include <QWidget>
#include <memory>
#include <vector>

#include "admin/UserCheck.h"

class IUserPrompts;
class QPushButton;
class TDataSource;
class TMemoryDataSet;

namespace Ui {
class TCheckForm;
}

// The check of users, accounts and privileges in a window: the findings in a read-only grid, the repairs
// the selected rows offer as buttons (several rows at once; removing asks first), the check run again
// after each repair, and the findings saved as CSV. It frees itself when it closes.
class TCheckForm : public QWidget {
    Q_OBJECT
public:
    TCheckForm(IUserPrompts& prompts, const TCheckContext& context, QWidget* parent = nullptr);
    ~TCheckForm() override;

    Ui::TCheckForm& Controls() { return *m_ui; }
    const std::vector<TFinding>& Findings() const { return m_findings; }

    TMemoryDataSet* dsFindings;
    TDataSource* srcFindings;

    // Runs the check and shows its findings.
    void btnCheckClick();
    // Runs a repair for every selected finding that offers it, then the check again.
    void RepairClick(TRepair repair);
    // Writes the findings as CSV (UTF-8) to a file the user names.
    void btnSaveReportClick();
    // The password of an account a repair creates; empty when the user cancels. Tests replace it.
    std::function<QString(const QString& login)> AskPassword;

private:
    std::vector<size_t> SelectedFindings() const;
    void UpdateButtons();

    IUserPrompts& m_prompts;
    TCheckContext m_context;
    std::unique_ptr<Ui::TCheckForm> m_ui;
    std::vector<TFinding> m_findings;
    std::vector<std::pair<TRepair, QPushButton*>> m_buttons;
};
