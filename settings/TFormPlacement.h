#pragma once
#include <QFlags>
#include <QString>
#include <memory>

#include "core/TComponent.h"
#include "settings/TIniFile.h"

class IPlacementWindow;

enum TPlacementOption { fpState = 1, fpPosition = 2 };
Q_DECLARE_FLAGS(TPlacementOptions, TPlacementOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TPlacementOptions)

// Keeps its window's placement in the window's section of the settings file: restored when the
// window is shown, saved when it closes or is destroyed.
class TFormPlacement : public TComponent {
    Q_OBJECT
public:
    // The options default to fpState and fpPosition when owner is a widget, to none otherwise.
    explicit TFormPlacement(QObject* owner = nullptr);
    ~TFormPlacement() override;

    bool Active() const { return m_active; }
    void SetActive(bool active) { m_active = active; }
    // Empty for the program's own settings file.
    QString IniFileName() const { return m_iniFileName; }
    void SetIniFileName(const QString& name) { m_iniFileName = name; }
    // The file actually used.
    QString EffectiveIniFileName() const;
    // Empty gives the owner's class name.
    QString IniSection() const;
    void SetIniSection(const QString& section) { m_iniSection = section; }
    TPlacementOptions Options() const { return m_options; }
    void SetOptions(TPlacementOptions options) { m_options = options; }
    int Version() const { return m_version; }
    void SetVersion(int version) { m_version = version; }

    // The window side; null detaches it. The window is not owned.
    IPlacementWindow* Window() const { return m_window; }
    virtual void SetWindow(IPlacementWindow* window) { m_window = window; }

    bool IsRestored() const { return m_restored; }
    bool IsSaved() const { return m_saved; }
    bool IsDestroyingWindow() const { return m_destroying; }

    // Reads the section; a missing file, section or key leaves the defaults.
    void RestoreSettings();
    // Writes the section; runs only after a restore (or when inactive). Throws EIniFileException
    // when a key cannot be written: the keys before it stay written.
    void SaveSettings();

    // The window's life as the window side reports it.
    void WindowShowing();
    void WindowCloseQuery(bool canClose);
    void WindowDestroying();

    // Read or write one value of a section through the open file, or opening the file for the call.
    virtual QString ReadText(const QString& section, const QString& key, const QString& defaultValue);
    // The value is protected against the quote removal of a read.
    virtual void WriteText(const QString& section, const QString& key, const QString& value);

protected:
    virtual void SaveWindowPlacement();
    virtual void RestoreWindowPlacement();
    void SetRestored() { m_restored = true; }
    int ReadNumber(const QString& section, const QString& key, int defaultValue);
    void WriteNumber(const QString& section, const QString& key, int value);
    // The open file, or the file for one call when none is open.
    TIniFile File() const;

private:
    class OpenFile;
    void FixMaxPosition();

    bool m_active = true;
    QString m_iniFileName;
    QString m_iniSection;
    TPlacementOptions m_options;
    int m_version = 0;
    IPlacementWindow* m_window = nullptr;
    bool m_restored = false;
    bool m_saved = false;
    bool m_destroying = false;
    std::unique_ptr<TIniFile> m_ini;
};
