#include "colorapply.h"
#include "image.h"
#include "label.h"
#include "picturebox.h"
#include "shape.h"

#include <QTest>

// An LED display as the colouring sees it: two colour members.
class ColourDouble final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int BackColor MEMBER backColor)
    Q_PROPERTY(int LitColor MEMBER litColor)
public:
    using QObject::QObject;
    int backColor = -1;
    int litColor = -1;
};

// A group of displays: a "Count" member and its members by index.
class DisplayGroup final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Count READ count)
public:
    using QObject::QObject;
    int count() const { return int(members.size()); }
    Q_INVOKABLE QObject *Item(int index) const { return members.at(index); }
    QList<ColourDouble *> members;
};

class tst_ColorApply final : public QObject
{
    Q_OBJECT

private slots:
    void colorsByTypeAndSkipsWholeNames()
    {
        QWidget window;
        const auto label = [&](const char *name) {
            auto *l = new Label(&window);
            l->setObjectName(QString::fromLatin1(name));
            l->setForeColor(0x00FFFFFF);
            return l;
        };
        Label *excludedLabel = label("lblHomeTeam");
        Label *prefix = label("lblHome");
        Label *otherCase = label("lblhometeam");
        auto *frame = new PictureBox(&window);
        frame->setObjectName(QStringLiteral("picBoard"));
        auto *image = new Image(frame);
        image->setObjectName(QStringLiteral("imgBoard"));
        auto *excludedFrame = new PictureBox(&window);
        excludedFrame->setObjectName(QStringLiteral("picHome"));
        excludedFrame->setBackColor(0x00404040);
        auto *shape = new Shape(&window);
        shape->setObjectName(QStringLiteral("Shape1"));
        shape->setFillColor(0x000000FF);
        auto *display = new ColourDouble(&window);
        display->setObjectName(QStringLiteral("tledJam"));

        ColorFormControls(&window, {excludedLabel, excludedFrame}, 0x00112233, 0x00445566);

        QCOMPARE(excludedLabel->ForeColor(), 0x00FFFFFF);
        QCOMPARE(excludedFrame->BackColor(), 0x00404040);
        // Names are compared whole and case-sensitively.
        QCOMPARE(prefix->ForeColor(), 0x00112233);
        QCOMPARE(otherCase->ForeColor(), 0x00112233);
        QCOMPARE(frame->BackColor(), 0x00445566);
        QCOMPARE(shape->BorderColor(), 0x00112233);
        QCOMPARE(shape->FillColor(), 0x000000FF);
        QCOMPARE(display->backColor, -1);
        QCOMPARE(display->litColor, -1);
    }

    void colorsSingleDisplayAndGroup()
    {
        ColourDouble single;
        ColorLED(&single, 0x000000FF, 0x00445566);
        QCOMPARE(single.backColor, 0x00445566);
        QCOMPARE(single.litColor, 0x000000FF);

        DisplayGroup group;
        for (int i = 0; i < 3; ++i)
            group.members.append(new ColourDouble(&group));
        ColorLED(&group, 0x0000C000, 0x00445566);
        for (const ColourDouble *member : std::as_const(group.members)) {
            QCOMPARE(member->backColor, 0x00445566);
            QCOMPARE(member->litColor, 0x0000C000);
        }
    }
};

QTEST_MAIN(tst_ColorApply)
#include "tst_colorapply.moc"
