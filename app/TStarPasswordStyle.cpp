#include "app/TStarPasswordStyle.h"

#include <QApplication>

int TStarPasswordStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                  QStyleHintReturn* returnData) const {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

TStarPasswordStyle* TStarPasswordStyle::Instance() {
    static TStarPasswordStyle* style = [] {
        auto* s = new TStarPasswordStyle;
        s->setParent(qApp);
        return s;
    }();
    return style;
}
