#pragma once
#include <QProxyStyle>

// A style that shows every password character as "*".
class TStarPasswordStyle : public QProxyStyle {
    Q_OBJECT
public:
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    // One shared instance, owned by the application.
    static TStarPasswordStyle* Instance();
};
