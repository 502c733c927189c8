// SPDX-License-Identifier: GPL-2.0-or-later
// The number format window: a choice applies at once, Save stores it.
#include "windowrig.h"

namespace Quillon::Test {

class TestFormatWindow : public WindowRig
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { renew(); }

    void takesEffectAtOnceAndSaveStoresIt()
    {
        QVERIFY(h->start() && open(u"Format"_s));
        QStringList captions;
        const int lengths[] = { 10, 10, 11, 11, 9, 10, 11, 8 };
        for (int n = 1; n <= 8; ++n) {
            captions << child<QRadioButton>(u"Option%1"_s.arg(n))->text();
            choose(u"Option%1"_s.arg(n));
            QCOMPARE(h->app->settings().Format, qint16(n));
            QCOMPARE(h->app->settings().NmbrLngth, qint16(lengths[n - 1]));
        }
        QCOMPARE(captions.join(u'|'),
                 u"123-456-7890 |12 4566-7890|1234 567-8901|12345-678901|12-3456789|1234 567890|"
                 "123 4567-8901|1234 5678"_s);
        click(u"cmdExit"_s);
        QTRY_VERIFY(!m_window);
        QCOMPARE(h->ini(u"Settings"_s, u"Format"_s), u"<missing>"_s);
        QVERIFY(open(u"Format"_s));
        QCOMPARE(checkedOptions(), u"Option8"_s);
        choose(u"Option5"_s);
        click(u"cmdSave"_s);
        QVERIFY(m_window->isVisible());
        QCOMPARE(h->ini(u"Settings"_s, u"Format"_s) + u'|' + h->ini(u"Settings"_s, u"NmbrLngth"_s), u"5|9"_s);
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestFormatWindow)
#include "tst_formatwindow.moc"
