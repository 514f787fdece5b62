// The container layer, on a small container kind of the test's own whose inner handler
// logs every message, with gauges (Enabled) and labels (Disabled) as children.
#include "kind_fixture.h"
#include "toolkit/guitk_container.h"
#include "toolkit/guitk_gauge.h"
#include "toolkit/guitk_label.h"

namespace {

const uint32_t BoxTag = guiTkTag("BOX$");
struct TestBox {
    GuiTkContainer container;
    uint32_t tag;
};

int32_t boxInner(GuiTkMessage* m) {
    log().push_back(*m);
    return ContainerDefaultHandler(m);
}

class ContainerTest : public KindTest {
protected:
    int32_t makeBox() {
        int32_t h = GuiTkAllocHandle((int32_t)sizeof(TestBox));
        EXPECT_EQ(1, ContainerInit(h, boxInner, ContainerKeyHook, ContainerNullHook, 0, 30));
        GuiTkSetTypedInt(h, GUITK_KIND_TAG_PLACE, GUITK_TAG_CTNR, (int32_t)offsetof(TestBox, tag), (int32_t)BoxTag);
        return h;
    }
    void dropBox(int32_t h) {
        ContainerRemoveAll(h);
        ContainerFinalize(h);
        GuiTkFreeHandle(h);
    }
    int32_t key(int32_t h, int32_t type, int32_t code) {
        GuiTkKeyEvent e = {h, type, code, 0};
        return ContainerKeyHook(&e);
    }
    // The ids and arguments of the layer's own messages (29 to 32) only.
    static std::string takeLayerLog() {
        std::string out;
        for (const GuiTkMessage& m : log())
            if (m.id >= 29 && m.id <= 32)
                out += (out.empty() ? "" : " ") + std::to_string(m.id) + "(" + std::to_string(m.a1) +
                       (m.id == 32 ? "," + std::to_string(m.a2) : "") + ")";
        log().clear();
        return out;
    }
};

TEST_F(ContainerTest, InsertAndRemoveKeepTheFocusedChild) {
    int32_t box = makeBox();
    EXPECT_EQ(1, IsContainer(box));
    int32_t a = KivGaugeCreate(0), b = KivGaugeCreate(0), c = KivGaugeCreate(0);
    EXPECT_EQ(0, IsContainer(a));
    EXPECT_EQ(0, ContainerInsertChild(box, 0, a));
    EXPECT_EQ(0, ContainerInsertChild(box, 1, c)) << "at the count: appended";
    EXPECT_EQ(-1, ContainerInsertChild(box, 3, b));
    EXPECT_EQ(std::vector<int32_t>{3}, host.takeFatals()) << "past the count";
    EXPECT_EQ(0, ContainerInsertChild(box, 1, b));
    EXPECT_EQ("29(0) 29(1) 29(1)", takeLayerLog());
    EXPECT_EQ(box, CompGetParent(b));
    EXPECT_EQ(-1, ContainerInsertChild(box, 0, b));
    EXPECT_EQ(std::vector<int32_t>{5}, host.takeFatals()) << "a child has one parent";
    EXPECT_EQ(-1, ContainerInsertChild(box, 0, -1)) << "no child";
    EXPECT_EQ(3, ContainerGetChildCount(box));

    ContainerSetFocus(box, 2);
    EXPECT_EQ("32(2,-1)", takeLayerLog());
    EXPECT_EQ(GUITK_STATE_FOCUSED, CompGetState(c));
    ContainerRemoveChild(box, 0);
    EXPECT_EQ("30(0) 31(0)", takeLayerLog());
    EXPECT_EQ(1, ContainerGetFocus(box)) << "the focus follows its child down";
    EXPECT_EQ(-1, CompGetParent(a));
    ContainerInsertChildSilently(box, 0, a);
    EXPECT_EQ("", takeLayerLog());
    EXPECT_EQ(2, ContainerGetFocus(box)) << "and up";
    ContainerRemoveChild(box, 2);
    EXPECT_EQ("30(2) 32(-1,2) 31(2)", takeLayerLog()) << "the focused child leaves the focus empty";
    EXPECT_EQ(GUITK_STATE_ENABLED, CompGetState(c));
    ContainerRemoveChild(box, 2);
    EXPECT_EQ(std::vector<int32_t>{3}, host.takeFatals());
    EXPECT_EQ(0, ContainerGetChild(box, 5));
    EXPECT_EQ(std::vector<int32_t>{3}, host.takeFatals());

    KivGaugeDelete(b);
    EXPECT_EQ("30(1) 31(1)", takeLayerLog()) << "a deleted child leaves its container";
    EXPECT_EQ(1, ContainerGetChildCount(box));
    EXPECT_EQ(a, ContainerGetChild(box, 0));
    EXPECT_EQ(0, ContainerFindChildByType(box, GUITK_TYPE_GAUGE));
    EXPECT_EQ(-1, ContainerFindChildByType(box, GUITK_TYPE_LABEL));
    dropBox(box);
    EXPECT_EQ(-1, CompGetParent(a));
    KivGaugeDelete(a);
    KivGaugeDelete(c);
}

TEST_F(ContainerTest, UpAndDownMoveTheFocusPastDisabledChildren) {
    int32_t box = makeBox();
    int32_t children[] = {KivGaugeCreate(0), KivLabelCreate(0), KivGaugeCreate(0), KivLabelCreate(0)};
    for (int i = 0; i < 4; i++) ContainerInsertChild(box, i, children[i]);
    struct Step {
        int32_t type, key, focus;
    } steps[] = {
        {3, 17, -1},  // up with nothing focused: nothing
        {3, 19, 0},   // down: the first enabled child
        {3, 19, 2},   // past the label
        {2, 19, 2},   // nothing enabled below: stays
        {1, 17, 2},   // a release moves nothing
        {3, 17, 0},   //
        {3, 17, 0},   //
    };
    for (const Step& s : steps) {
        EXPECT_EQ(0, key(box, s.type, s.key));
        EXPECT_EQ(s.focus, ContainerGetFocus(box)) << "type " << s.type << " key " << s.key;
    }
    // the focused gauge takes its keys first: select makes it active, then the arrows are its own
    key(box, 3, 20);
    EXPECT_EQ(GUITK_STATE_ACTIVE, CompGetState(children[0]));
    KivGaugeSetMaxValue(children[0], 5);
    events().clear();
    key(box, 3, 18);
    EXPECT_EQ(1, KivGaugeGetValue(children[0]));
    key(box, 3, 19);
    EXPECT_EQ(2, ContainerGetFocus(box)) << "down is not the gauge's: the focus moves";
    dropBox(box);
    for (int32_t c : children) CompGetType(c) == GUITK_TYPE_GAUGE ? KivGaugeDelete(c) : KivLabelDelete(c);
}

TEST_F(ContainerTest, PaintShowsChildrenOnScreenAndPaintsThemClipped) {
    int32_t box = makeBox();
    CompSetSize(box, 64, 48);
    int32_t on = KivGaugeCreate(0), off = KivGaugeCreate(0), half = KivGaugeCreate(0);
    CompSetLocation(on, 2, 2);
    CompSetSize(on, 20, 10);
    CompSetLocation(off, 70, 2);
    CompSetSize(off, 20, 10);
    CompSetLocation(half, 50, 30);
    CompSetSize(half, 30, 10);
    for (int32_t c : {on, off, half}) ContainerInsertChild(box, ContainerGetChildCount(box), c);
    clearScreen(host);
    CompShow(box, 0);
    GuiTkGraphics g = GuiTkGetScreenGraphics();
    CompPaint(box, g);
    EXPECT_EQ(1, CompIsShown(on));
    EXPECT_EQ(0, CompIsShown(off)) << "wholly off the screen: hidden";
    EXPECT_EQ(1, CompIsShown(half));
    ContainerPaintChildren(box, g);
    EXPECT_EQ(pixel(Black), at(3, 3)) << "the gauge's inner frame";
    EXPECT_EQ(pixel(Black), at(63, 31)) << "the half child is drawn up to the screen edge";
    EXPECT_TRUE(host.screen.guardsIntact());
    CompSetDirectionMode(box, 2);
    for (int32_t c : {on, off, half}) EXPECT_EQ(2, CompGetDirectionMode(c));
    CompHide(box);
    EXPECT_EQ(0, CompIsShown(on));
    EXPECT_EQ(0, CompIsShown(half));
    dropBox(box);
    for (int32_t c : {on, off, half}) KivGaugeDelete(c);
}

}  // namespace
