#include "framework/uExceptions.h"
#include "framework/uiNodedInterface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int LiveNodes = 0;

class TTestNode : public TNodedInterface {
public:
    TTestNode() { ++LiveNodes; }
    TTestNode(const IntfPtr<IXMLNode>& settings, const IntfPtr<IInterface>& owner) : TNodedInterface(settings, owner)
    {
        ++LiveNodes;
    }
    std::string ClassName() const override { return "TTestNode"; }

protected:
    ~TTestNode() override { --LiveNodes; }
};

// An interface object that is not a node.
class TPlain : public TMyInterfacedObject {};

IntfPtr<INodedInterface> NewNode() { return MakeObj<TTestNode>(); }

// Records the descendant events of the nodes it listens to as "+name level" / "-name level".
class TEventLog {
public:
    std::vector<std::string> Lines;

    void Listen(const IntfPtr<INodedInterface>& node)
    {
        node->GetDescendantAddedEventer()->AddHandler(Added());
        node->GetDescendantRemovedEventer()->AddHandler(Removed());
        FNodes.push_back(node);
    }
    ~TEventLog()
    {
        for (auto& n : FNodes) {
            n->GetDescendantAddedEventer()->RemoveHandler(Added());
            n->GetDescendantRemovedEventer()->RemoveHandler(Removed());
        }
    }

private:
    void OnAdded(INodedInterface* node, int32_t level) { Record("+", node, level); }
    void OnRemoved(INodedInterface* node, int32_t level) { Record("-", node, level); }
    void Record(const char* what, INodedInterface* node, int32_t level)
    {
        Lines.push_back(what + node->GetName() + " " + std::to_string(level));
    }
    TeventerDescentEvent::THandler Added() { return TeventerDescentEvent::THandler::Bind<&TEventLog::OnAdded>(this); }
    TeventerDescentEvent::THandler Removed()
    {
        return TeventerDescentEvent::THandler::Bind<&TEventLog::OnRemoved>(this);
    }

    std::vector<IntfPtr<INodedInterface>> FNodes;
};

IntfPtr<IXMLNode> Element(const std::string& xml) { return TXMLDocument::LoadFromText(xml)->DocumentElement(); }

TEST(NodedInterface, FreshNodeHasDefaults)
{
    IntfPtr<INodedInterface> base = MakeObj<TNodedInterface>();
    IntfPtr<INodedInterface> a = NewNode(), b = NewNode();
    EXPECT_EQ(base->GetName(), "TNodedInterface");
    EXPECT_EQ(a->GetName(), "TTestNode");
    EXPECT_TRUE(a->GetEnabled());
    EXPECT_EQ(GUIDToString(a->GetGUID()), a->GetGUIDString());
    EXPECT_NE(a->GetGUIDString(), b->GetGUIDString());
    EXPECT_FALSE(a->GetConfigNode());
    EXPECT_FALSE(a->GetOwner());
    EXPECT_EQ(a->GetChildCount(), 0);
    IntfPtr<INodedInterfaceCore> core;
    EXPECT_TRUE(Supports(a, core));
    EXPECT_EQ(core->GetObject(), dynamic_cast<TMyInterfacedObject*>(a.get()));
}

TEST(NodedInterface, LifetimeEventsCarryTheNode)
{
    struct TSeen {
        std::vector<std::string> Lines;
        void OnCreated(INodedInterface* n) { Lines.push_back("created " + n->GetGUIDString()); }
        void OnDestroyed(INodedInterface* n) { Lines.push_back("destroyed " + n->GetGUIDString()); }
    } seen;
    const auto created = Teventer_NodedInterface::THandler::Bind<&TSeen::OnCreated>(&seen);
    const auto destroyed = Teventer_NodedInterface::THandler::Bind<&TSeen::OnDestroyed>(&seen);
    NodeCreatedEventer().AddHandler(created);
    NodeDestroyedEventer().AddHandler(destroyed);
    std::string guid;
    {
        IntfPtr<INodedInterface> n = NewNode();
        guid = n->GetGUIDString();
    }
    NodeCreatedEventer().RemoveHandler(created);
    NodeDestroyedEventer().RemoveHandler(destroyed);
    EXPECT_EQ(seen.Lines, (std::vector<std::string>{"created " + guid, "destroyed " + guid}));
    EXPECT_EQ(LiveNodes, 0);
}

TEST(NodedInterface, LoadConfigReadsAttributes)
{
    IntfPtr<INodedInterface> n = NewNode();
    const std::string own = n->GetGUIDString();
    const std::string stored = "{0A1B2C3D-0000-4000-8000-00000000ABCD}";
    IntfPtr<IXMLNode> e = Element("<N name=\"Modul\" enabled=\"FALSE\" GUID=\"" + stored + "\"/>");

    n->LoadConfig(e, false, false);
    EXPECT_EQ(n->GetName(), "Modul");
    EXPECT_FALSE(n->GetEnabled());
    EXPECT_EQ(n->GetGUIDString(), own); // a known GUID is kept without rereadGUID
    EXPECT_FALSE(n->GetConfigNode());

    n->LoadConfig(e, true, true);
    EXPECT_EQ(n->GetGUIDString(), stored);
    EXPECT_EQ(n->GetConfigNode(), e);

    // Missing "enabled" means enabled.
    n->LoadConfig(Element("<N/>"), false, false);
    EXPECT_TRUE(n->GetEnabled());
    EXPECT_EQ(n->GetName(), "Modul");

    // An element's GUID is used by a node constructed with it.
    IntfPtr<INodedInterface> m = MakeObj<TTestNode>(e, nullptr);
    EXPECT_EQ(m->GetGUIDString(), stored);
}

TEST(NodedInterface, BadAttributesRaise)
{
    IntfPtr<INodedInterface> n = NewNode();
    EXPECT_THROW(n->LoadConfig(Element("<N enabled=\"maybe\"/>"), false, false), EConvertError);
    EXPECT_THROW(n->LoadConfig(Element("<N enabled=\"\"/>"), false, false), EConvertError);

    n->LoadConfig(Element("<N GUID=\"not a guid\"/>"), false, true);
    EXPECT_EQ(n->GetGUIDString(), "not a guid");
    EXPECT_THROW(n->GetGUID(), EConvertError);

    // An empty GUID attribute gives a fresh GUID, never an empty identity.
    n->LoadConfig(Element("<N GUID=\"\"/>"), false, true);
    EXPECT_NO_THROW(n->GetGUID());
}

TEST(NodedInterface, FailedConstructionLeavesTheOwnerUntouched)
{
    IntfPtr<INodedInterface> owner = NewNode();
    const int before = LiveNodes;
    EXPECT_THROW(MakeObj<TTestNode>(Element("<N enabled=\"maybe\"/>"), owner), EConvertError);
    EXPECT_EQ(owner->GetChildCount(), 0);
    EXPECT_EQ(LiveNodes, before);
}

TEST(NodedInterface, SaveAndLoadThroughAFile)
{
    const std::string path = testing::TempDir() + "noded_interface_settings.xml";
    IntfPtr<TXMLDocument> doc = TXMLDocument::Create("Root");
    IntfPtr<INodedInterface> n = MakeObj<TTestNode>(doc->DocumentElement()->ChildNode("Node"), nullptr);
    n->SetName("Nastavení připojení, žluťoučký kůň");
    n->SetEnabled(false);
    n->SaveConfig();
    doc->SaveToFile(path);
    const std::string guid = n->GetGUIDString();

    IntfPtr<IXMLNode> element = TXMLDocument::LoadFromFile(path)->DocumentElement()->FindChildNode("Node");
    ASSERT_TRUE(element);
    EXPECT_EQ(element->GetAttribute("enabled"), "false");
    IntfPtr<INodedInterface> again = MakeObj<TTestNode>(element, nullptr);
    EXPECT_EQ(again->GetName(), "Nastavení připojení, žluťoučký kůň");
    EXPECT_FALSE(again->GetEnabled());
    EXPECT_EQ(again->GetGUIDString(), guid);

    // SetName writes through to the attached element at once.
    again->SetName("Jiný");
    EXPECT_EQ(element->GetAttribute("name"), "Jiný");
}

TEST(NodedInterface, SaveConfigWithoutElementDoesNothing)
{
    IntfPtr<INodedInterface> n = NewNode();
    EXPECT_NO_THROW(n->SaveConfig());
    IntfPtr<IXMLNode> e = Element("<N/>");
    n->AttachConfig(e);
    n->SaveConfig();
    EXPECT_EQ(e->GetAttribute("name"), "TTestNode");
    EXPECT_EQ(e->GetAttribute("enabled"), "true");
    EXPECT_EQ(e->GetAttribute("GUID"), n->GetGUIDString());
}

class NodeTree : public testing::Test {
protected:
    IntfPtr<INodedInterface> Node(const std::string& name)
    {
        IntfPtr<INodedInterface> n = NewNode();
        n->SetName(name);
        Nodes.push_back(n);
        return n;
    }
    void TearDown() override
    {
        for (auto& n : Nodes) n->ReleaseTree();
        Nodes.clear();
        EXPECT_EQ(LiveNodes, 0);
    }

    std::vector<IntfPtr<INodedInterface>> Nodes;
};

TEST_F(NodeTree, AddChildLinksBothWaysOnce)
{
    auto p = Node("p"), c = Node("c");
    TEventLog log;
    log.Listen(p);
    EXPECT_EQ(p->AddChild(c), 0);
    EXPECT_EQ(c->GetOwnerNode(), p);
    EXPECT_EQ(p->GetChild(0), c);
    EXPECT_EQ(p->AddChild(c), -1);
    EXPECT_EQ(p->AddChild(nullptr), -1);
    EXPECT_EQ(p->GetChildCount(), 1);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"+c 1"}));
    EXPECT_FALSE(p->GetChild(-1));
    EXPECT_FALSE(p->GetChild(1));
    EXPECT_EQ(p->IndexOfChild(c), 0);
}

TEST_F(NodeTree, MovingAChildReportsOnBothOwners)
{
    auto a = Node("a"), b = Node("b"), c = Node("c");
    c->SetOwner(a);
    TEventLog logA, logB;
    logA.Listen(a);
    logB.Listen(b);
    EXPECT_EQ(b->AddChild(c), 0);
    EXPECT_EQ(logA.Lines, (std::vector<std::string>{"-c 1"}));
    EXPECT_EQ(logB.Lines, (std::vector<std::string>{"+c 1"}));
    EXPECT_EQ(a->GetChildCount(), 0);
    EXPECT_EQ(c->GetOwnerNode(), b);

    c->SetParent(nullptr);
    EXPECT_EQ(logB.Lines.back(), "-c 1");
    EXPECT_EQ(b->GetChildCount(), 0);
    EXPECT_FALSE(c->GetOwner());
}

TEST_F(NodeTree, DescendantEventsCarryTheDepth)
{
    auto g = Node("g"), p = Node("p"), c = Node("c");
    p->SetOwner(g);
    TEventLog logG, logP;
    logG.Listen(g);
    logP.Listen(p);
    c->SetOwner(p);
    EXPECT_EQ(logP.Lines, (std::vector<std::string>{"+c 1"}));
    EXPECT_EQ(logG.Lines, (std::vector<std::string>{"+c 2"}));
    p->RemoveChild(c);
    EXPECT_EQ(logP.Lines.back(), "-c 1");
    EXPECT_EQ(logG.Lines.back(), "-c 2");
    EXPECT_EQ(p->RemoveChild(c), -1);
}

TEST_F(NodeTree, RemoveAllChildrenDetachesLastFirst)
{
    auto p = Node("p");
    for (const char* name : {"x", "y", "z"}) Node(name)->SetOwner(p);
    TEventLog log;
    log.Listen(p);
    EXPECT_EQ(p->RemoveAllChildren(), 3);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"-z 1", "-y 1", "-x 1"}));
    EXPECT_EQ(p->GetChildCount(), 0);
    for (size_t i = 1; i < Nodes.size(); ++i) EXPECT_FALSE(Nodes[i]->GetOwner());
}

TEST_F(NodeTree, ChildrenThatAreNotNodesAreCountedAndDetached)
{
    auto p = Node("p"), x = Node("x");
    x->SetOwner(p);
    IntfPtr<TPlain> plain = MakeObj<TPlain>();
    EXPECT_EQ(p->AddChild(plain), 1);
    EXPECT_FALSE(p->GetChild(1));
    EXPECT_EQ(p->CountImplementors(INodedInterface::IID, false), 1);
    EXPECT_EQ(p->CountImplementors(IInterface::IID, false), 2);
    EXPECT_EQ(p->RemoveAllChildren(), 2);
    EXPECT_EQ(p->GetChildCount(), 0);
    EXPECT_EQ(plain->RefCount(), 1);
}

TEST_F(NodeTree, LoopsAreRefused)
{
    auto a = Node("a"), b = Node("b"), c = Node("c");
    b->SetOwner(a);
    c->SetOwner(b);
    EXPECT_EQ(c->AddChild(a), -1);
    EXPECT_EQ(a->AddChild(a), -1);
    EXPECT_THROW(a->SetOwner(c), Exception);
    EXPECT_THROW(a->SetOwner(a), Exception);
    EXPECT_FALSE(a->GetOwner());
    EXPECT_EQ(c->GetChildCount(), 0);
}

TEST_F(NodeTree, SearchesWalkTheSubtree)
{
    auto root = Node("root"), a = Node("a"), b = Node("b"), a1 = Node("a1"), twin = Node("a1");
    a->SetOwner(root);
    b->SetOwner(root);
    a1->SetOwner(a);
    twin->SetOwner(b);

    IntfPtr<INodedInterface> found;
    EXPECT_TRUE(root->FindByName("a1", found));
    EXPECT_EQ(found, a1); // depth-first, pre-order: a's subtree before b
    EXPECT_TRUE(root->FindByGUID(twin->GetGUIDString(), found));
    EXPECT_EQ(found, twin);
    EXPECT_TRUE(root->FindByName("root", found));
    EXPECT_EQ(found, root);
    EXPECT_FALSE(root->FindByName("A1", found));
    EXPECT_FALSE(found);
    EXPECT_FALSE(a->FindByName("b", found));

    EXPECT_EQ(root->CountImplementors(INodedInterface::IID, false), 2);
    EXPECT_EQ(root->CountImplementors(INodedInterface::IID, true), 4);
    EXPECT_EQ(root->CountImplementors(IInterfaceList::IID, true), 0);

    IntfPtr<IInterfaceList> snapshot = root->GetChildren();
    b->SetOwner(nullptr);
    EXPECT_EQ(snapshot->GetCount(), 2);
    EXPECT_EQ(root->GetChildCount(), 1);
}

TEST(NodeTreeLifetime, ReleaseTreeLetsTheTreeGo)
{
    auto build = [] {
        IntfPtr<INodedInterface> root = NewNode();
        for (int i = 0; i < 2; ++i) {
            IntfPtr<INodedInterface> child = NewNode();
            child->SetOwner(root);
            NewNode()->SetOwner(child);
        }
        return root;
    };
    ASSERT_EQ(LiveNodes, 0);
    IntfPtr<INodedInterface> root = build();
    EXPECT_EQ(LiveNodes, 5);
    root->ReleaseTree();
    root = nullptr;
    EXPECT_EQ(LiveNodes, 0);

    // Without ReleaseTree the owner/child cycles keep every node alive.
    root = build();
    INodedInterface* kept = root.get();
    root = nullptr;
    EXPECT_EQ(LiveNodes, 5);
    IntfPtr<INodedInterface> again(kept);
    again->ReleaseTree();
    again = nullptr;
    EXPECT_EQ(LiveNodes, 0);
}

} // namespace
