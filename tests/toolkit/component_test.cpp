#include "toolkit/ExtCtrls.h"
#include "toolkit/FormReader.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

#include "system/sys.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

struct Probe : TComponent {
    explicit Probe(TComponent* owner, std::vector<std::string>* log = nullptr)
        : TComponent(owner), m_log(log) {}
    ~Probe() override {
        if (m_log) m_log->push_back("destroy " + Name());
    }
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == opRemove && c == partner) partner = nullptr;
    }
    TComponent* partner{};
    std::vector<std::string>* m_log;
};

} // namespace

TEST(Component, OwnerKeepsCreationOrderFindsByNameAndDestroysLastFirst) {
    std::vector<std::string> log;
    {
        auto root = Make<Probe>(&log);
        root->SetName("Root");
        auto* a = New<Probe>(root.get(), &log);
        a->SetName("Alpha");
        auto* b = New<Probe>(root.get(), &log);
        b->SetName("Beta");
        EXPECT_EQ(root->ComponentCount(), 2);
        EXPECT_EQ(root->Components(0), a);
        EXPECT_EQ(root->Components(1), b);
        EXPECT_EQ(root->FindComponent("beta"), b);
        EXPECT_EQ(root->FindComponent("Gamma"), nullptr);
        EXPECT_EQ(&root->ComponentByName<Probe>("ALPHA"), a);
        EXPECT_THROW(root->ComponentByName<Probe>("Gamma"), EComponentError);
        EXPECT_THROW(root->ComponentByName<TControl>("Alpha"), EComponentError);
        EXPECT_THROW(b->SetName("alpha"), EComponentError);
        EXPECT_THROW(b->SetName("1x"), EComponentError);
        EXPECT_EQ(b->Name(), "Beta");
    }
    // The owner's own destructor body runs first; its components go afterwards, last created first.
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "destroy Root");
    EXPECT_EQ(log[1], "destroy Beta");
    EXPECT_EQ(log[2], "destroy Alpha");
}

TEST(Component, FreeNotificationClearsTheLinkAndFreeLeavesTheOwnerConsistent) {
    auto root = Make<Probe>();
    auto* a = New<Probe>(root.get());
    auto* b = New<Probe>(root.get());
    a->partner = b;
    a->FreeNotification(b);
    b->Free();
    EXPECT_EQ(a->partner, nullptr);
    EXPECT_EQ(root->ComponentCount(), 1);
    EXPECT_THROW(root->Free(), EComponentError); // no owner: its holder destroys it
}

TEST(Control, AlignmentPlacesTopBottomLeftRightClientAsTheClassicToolkit) {
    auto form = Make<TForm>();
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 200, 100);
    auto* top = New<TPanel>(form.get());
    top->SetParent(form.get());
    top->SetHeight(20);
    top->SetAlign(alTop);
    auto* bottom = New<TPanel>(form.get());
    bottom->SetParent(form.get());
    bottom->SetHeight(10);
    bottom->SetAlign(alBottom);
    auto* left = New<TPanel>(form.get());
    left->SetParent(form.get());
    left->SetWidth(30);
    left->SetAlign(alLeft);
    auto* client = New<TPanel>(form.get());
    client->SetParent(form.get());
    client->SetAlign(alClient);
    EXPECT_EQ(top->BoundsRect(), Bounds(0, 0, 200, 20));
    EXPECT_EQ(bottom->BoundsRect(), Bounds(0, 90, 200, 10));
    EXPECT_EQ(left->BoundsRect(), Bounds(0, 20, 30, 70));
    EXPECT_EQ(client->BoundsRect(), Bounds(30, 20, 170, 70));
    top->SetVisible(false);
    EXPECT_EQ(left->BoundsRect(), Bounds(0, 0, 30, 90));
    form->SetHeight(120);
    EXPECT_EQ(client->BoundsRect(), Bounds(30, 0, 170, 110));
}
