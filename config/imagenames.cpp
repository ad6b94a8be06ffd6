#include "imagenames.h"

namespace ImageNames {

const QStringList &singleFiles()
{
    static const QStringList files = {
        QStringLiteral("boardpic.svg"),
        QStringLiteral("cond_always.svg"),
        QStringLiteral("cond_single.svg"),
        QStringLiteral("cond_dual.svg"),
        QStringLiteral("cond_counter.svg"),
        QStringLiteral("cond_cond_counter.svg"),
        QStringLiteral("picture_bit_set.svg"),
        QStringLiteral("picture_bit_reset.svg"),
        QStringLiteral("picture_bit_disable.svg"),
        QStringLiteral("prop_scroll.svg"),
    };
    return files;
}

const QStringList &stems()
{
    static const QStringList list = [] {
        QStringList names = {
            QStringLiteral("btn_configok"), QStringLiteral("btn_configexit"),
            QStringLiteral("equal"),        QStringLiteral("unequal"),
            QStringLiteral("smaller"),      QStringLiteral("bigger"),
            QStringLiteral("inside"),       QStringLiteral("outside"),
            QStringLiteral("digibutton"),   QStringLiteral("andorbutton"),
            QStringLiteral("btnrun"),       QStringLiteral("prop_brake"),
            QStringLiteral("prop_led"),     QStringLiteral("prop_servo"),
            QStringLiteral("prop_clock"),   QStringLiteral("prop_anticlock"),
            QStringLiteral("prop_timer"),
        };
        for (int beat = 70; beat <= 77; ++beat)
            names.append(QStringLiteral("pianobeat%1").arg(beat));
        names << QStringLiteral("pianopause") << QStringLiteral("pianodelete")
              << QStringLiteral("decrease") << QStringLiteral("increase");
        // The bar that shows and hides the side panels, and the sensor chart's buttons.
        names << QStringLiteral("panel_robot") << QStringLiteral("panel_sensors")
              << QStringLiteral("panel_tabs") << QStringLiteral("panel_pause")
              << QStringLiteral("panel_resume") << QStringLiteral("panel_clear")
              << QStringLiteral("panel_save");
        // The top menu's button for the buttons its row has no room for.
        names << QStringLiteral("top_more");
        // The robot view's button for a window of its own on the whole screen.
        names << QStringLiteral("panel_fullscreen");
        return names;
    }();
    return list;
}

QStringList stateFiles(const QString &stem)
{
    return {stem + QStringLiteral("_on.svg"), stem + QStringLiteral("_off.svg"),
            stem + QStringLiteral("_disable.svg")};
}

QString stemOf(const QString &picture)
{
    return picture.section(QLatin1Char('.'), 0, 0);
}

} // namespace ImageNames
