#pragma once
#include <QPointer>
#include <QWidget>

#include "core/IUserPrompts.h"

// The user prompts as modal message boxes.
class TMessageBoxPrompts : public IUserPrompts {
public:
    explicit TMessageBoxPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
    void ShowError(const QString& text) override;
    bool Confirm(const QString& text) override;
    void ShowMessage(const QString& text) override;
    void ShowApplicationError(const QString& text) override;

private:
    QPointer<QWidget> m_parent;
};
