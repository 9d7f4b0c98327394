#include "uiNodedInterface.h"

#include "uExceptions.h"
#include "uGuid.h"

namespace {

using TDescentHandler = TeventerDescentEvent::THandler;

bool SameObject(IInterface* a, IInterface* b) { return a == b; }

// Depth-first, pre-order search for the first node whose property equals value.
bool FindInTree(INodedInterface* self, const std::string& value, std::string (INodedInterface::*property)(),
                bool (INodedInterface::*search)(const std::string&, IntfPtr<INodedInterface>&),
                IntfPtr<INodedInterface>& node)
{
    node = nullptr;
    if ((self->*property)() == value) {
        node = self;
        return true;
    }
    for (const IntfPtr<IInterface>& child : self->GetChildren()->Snapshot()) {
        IntfPtr<INodedInterface> childNode;
        if (Supports(child, childNode) && (childNode.get()->*search)(value, node)) return true;
    }
    node = nullptr;
    return false;
}

} // namespace

Teventer_NodedInterface& NodeCreatedEventer()
{
    static auto* eventer = new Teventer_NodedInterface;
    return *eventer;
}

Teventer_NodedInterface& NodeDestroyedEventer()
{
    static auto* eventer = new Teventer_NodedInterface;
    return *eventer;
}

TNodedInterface::TNodedInterface() : TNodedInterface(nullptr, nullptr) {}

TNodedInterface::TNodedInterface(const IntfPtr<IXMLNode>& settingsNode, const IntfPtr<IInterface>& owner)
    : FChildren(MakeObj<TInterfaceList>())
{
    SetConfigNode(settingsNode);
    SetOwner(owner);
    try {
        LoadConfig(settingsNode, true, false);
    } catch (...) {
        // The object will not exist: the owner must not keep a reference to it.
        SetOwner(nullptr);
        throw;
    }
}

void TNodedInterface::Constructed() { NodeCreatedEventer().Fire(this); }

TNodedInterface::~TNodedInterface() { RemoveAllChildren(); }

void TNodedInterface::BeforeDestruction()
{
    NodeDestroyedEventer().Fire(this);
    TMyInterfacedObject::BeforeDestruction();
}

bool TNodedInterface::ImplementsInterface(const TGUID& iid) const
{
    return iid == INodedInterface::IID || iid == INodedInterfaceCore::IID ||
           TMyInterfacedObject::ImplementsInterface(iid);
}

std::string TNodedInterface::GetName()
{
    TReadScope guard(FLock);
    return FName.value_or(ClassName());
}

void TNodedInterface::SetName(const std::string& name)
{
    TWriteScope guard(FLock);
    FName = name;
    if (FConfigNode) FConfigNode->SetAttribute("name", name);
}

TGUID TNodedInterface::GetGUID() { return StringToGUID(GetGUIDString()); }

std::string TNodedInterface::GetGUIDString()
{
    TReadScope guard(FLock);
    return FGUIDString;
}

bool TNodedInterface::GetEnabled()
{
    TReadScope guard(FLock);
    return FEnabled;
}

void TNodedInterface::SetEnabled(bool enabled)
{
    TWriteScope guard(FLock);
    FEnabled = enabled;
}

void TNodedInterface::BeginWrite()
{
    FLock.BeginWrite();
    ++FWriteDepth;
}

void TNodedInterface::EndWrite()
{
    --FWriteDepth;
    FLock.EndWrite();
}

void TNodedInterface::BeginRead()
{
    FLock.BeginRead();
    ++FReadDepth;
}

void TNodedInterface::EndRead()
{
    --FReadDepth;
    FLock.EndRead();
}

void TNodedInterface::Lock() { BeginWrite(); }

void TNodedInterface::Unlock() { EndWrite(); }

void TNodedInterface::FireDescendant(std::unique_ptr<TeventerDescentEvent> TNodedInterface::*eventer,
                                     INodedInterface* node, int32_t level)
{
    TeventerDescentEvent* e;
    {
        TReadScope guard(FLock);
        e = (this->*eventer).get();
    }
    if (e) e->Fire(node, level);
}

void TNodedInterface::NotifyDescendantAdded(INodedInterface* node, int32_t level)
{
    FireDescendant(&TNodedInterface::FDescendantAddedEventer, node, level + 1);
}

void TNodedInterface::NotifyDescendantRemoved(INodedInterface* node, int32_t level)
{
    FireDescendant(&TNodedInterface::FDescendantRemovedEventer, node, level + 1);
}

TeventerDescentEvent*
TNodedInterface::DescendantEventer(std::unique_ptr<TeventerDescentEvent> TNodedInterface::*eventer)
{
    TWriteScope guard(FLock);
    auto& e = this->*eventer;
    if (!e) e = std::make_unique<TeventerDescentEvent>();
    return e.get();
}

TeventerDescentEvent* TNodedInterface::GetDescendantAddedEventer()
{
    return DescendantEventer(&TNodedInterface::FDescendantAddedEventer);
}

TeventerDescentEvent* TNodedInterface::GetDescendantRemovedEventer()
{
    return DescendantEventer(&TNodedInterface::FDescendantRemovedEventer);
}

void TNodedInterface::SetConfigNode(const IntfPtr<IXMLNode>& node)
{
    TWriteScope guard(FLock);
    FConfigNode = node;
}

IntfPtr<IXMLNode> TNodedInterface::GetConfigNode()
{
    TReadScope guard(FLock);
    return FConfigNode;
}

void TNodedInterface::AttachConfig(const IntfPtr<IXMLNode>& node) { LoadConfig(node, true, false); }

void TNodedInterface::LoadConfig(const IntfPtr<IXMLNode>& node, bool takeNode, bool rereadGUID)
{
    TWriteScope guard(FLock);
    if (takeNode) FConfigNode = node;
    const auto attribute = [&](const char* name) { return node ? node->GetAttribute(name) : std::nullopt; };

    if (auto name = attribute("name")) FName = *name;
    const auto enabled = attribute("enabled");
    SetEnabled(enabled ? XmlStrToBool(*enabled) : true);
    if (rereadGUID || FGUIDString.empty()) {
        // An empty attribute is no identity: such a node gets a new GUID like one without it.
        const auto guid = attribute("GUID");
        FGUIDString = guid && !guid->empty() ? *guid : GUIDToString(CreateGUID());
    }
}

void TNodedInterface::SaveConfig()
{
    TWriteScope guard(FLock);
    if (!FConfigNode) return;
    FConfigNode->SetAttribute("name", FName.value_or(ClassName()));
    FConfigNode->SetBoolAttribute("enabled", FEnabled);
    FConfigNode->SetAttribute("GUID", FGUIDString);
}

IntfPtr<IInterface> TNodedInterface::GetOwner()
{
    TReadScope guard(FLock);
    return FOwner;
}

IntfPtr<INodedInterface> TNodedInterface::GetOwnerNode()
{
    IntfPtr<INodedInterface> node;
    Supports(GetOwner(), node);
    return node;
}

bool TNodedInterface::IsSameOrAbove(INodedInterface* upper, INodedInterface* lower)
{
    for (IntfPtr<INodedInterface> n(lower); n; n = n->GetOwnerNode())
        if (SameObject(n.get(), upper)) return true;
    return false;
}

void TNodedInterface::SetOwner(const IntfPtr<IInterface>& newOwner)
{
    TWriteScope guard(FLock);
    if (newOwner == FOwner) return;
    IntfPtr<INodedInterface> newNode;
    const bool newIsNode = Supports(newOwner, newNode);
    if (newIsNode && IsSameOrAbove(this, newNode.get()))
        throw Exception("A node cannot be owned by itself or by one of its descendants");

    // Keeps the old owner alive until it has finished removing this node.
    const IntfPtr<IInterface> oldOwner = FOwner;
    IntfPtr<INodedInterface> oldNode;
    if (Supports(oldOwner, oldNode)) oldNode->RemoveChild(this);
    FOwner = newOwner;
    if (newIsNode) newNode->AddChild(this);
}

void TNodedInterface::SetParent(const IntfPtr<IInterface>& newOwner) { SetOwner(newOwner); }

IntfPtr<IInterfaceList> TNodedInterface::GetChildren()
{
    TReadScope guard(FLock);
    return MakeObj<TInterfaceList>(FChildren->Snapshot());
}

IntfPtr<INodedInterface> TNodedInterface::GetChild(int32_t index)
{
    IntfPtr<INodedInterface> node;
    Supports(FChildren->Get(index), node);
    return node;
}

int32_t TNodedInterface::GetChildCount() { return FChildren->GetCount(); }

int32_t TNodedInterface::IndexOfChild(const IntfPtr<IInterface>& child) { return FChildren->IndexOf(child); }

int32_t TNodedInterface::AddChild(const IntfPtr<IInterface>& child)
{
    if (!child) return -1;
    IntfPtr<INodedInterface> node;
    const bool isNode = Supports(child, node);
    if (isNode && IsSameOrAbove(node.get(), this)) return -1;

    int32_t result = -1;
    {
        TWriteScope guard(FLock);
        if (FChildren->IndexOf(child) < 0) result = FChildren->Add(child);
    }
    if (result < 0 || !isNode) return result;

    TWriteScope childGuard(*node);
    if (!SameObject(node->GetOwner().get(), this)) node->SetOwner(this);
    node->GetDescendantAddedEventer()->AddHandler(TDescentHandler::Bind<&TNodedInterface::NotifyDescendantAdded>(this));
    node->GetDescendantRemovedEventer()->AddHandler(
        TDescentHandler::Bind<&TNodedInterface::NotifyDescendantRemoved>(this));
    NotifyDescendantAdded(node.get(), 0);
    return result;
}

int32_t TNodedInterface::RemoveChild(const IntfPtr<IInterface>& child)
{
    TWriteScope guard(FLock);
    const int32_t result = FChildren->Remove(child);
    IntfPtr<INodedInterface> node;
    if (result < 0 || !Supports(child, node)) return result;

    NotifyDescendantRemoved(node.get(), 0);
    if (SameObject(node->GetOwner().get(), this)) node->SetOwner(nullptr);
    node->GetDescendantAddedEventer()->RemoveHandler(
        TDescentHandler::Bind<&TNodedInterface::NotifyDescendantAdded>(this));
    node->GetDescendantRemovedEventer()->RemoveHandler(
        TDescentHandler::Bind<&TNodedInterface::NotifyDescendantRemoved>(this));
    return result;
}

int32_t TNodedInterface::RemoveAllChildren()
{
    TWriteScope guard(FLock);
    int32_t count = 0;
    for (int32_t rounds = FChildren->GetCount() + 1; rounds > 0; --rounds) {
        const IntfPtr<IInterface> last = FChildren->Last();
        if (!last) break;
        IntfPtr<INodedInterface> node;
        if (Supports(last, node) && SameObject(node->GetOwner().get(), this)) node->SetOwner(nullptr);
        // A child that is not a node (or is not linked back here) is taken out directly,
        // so that it cannot stop the children before it from being detached.
        if (FChildren->IndexOf(last) >= 0) RemoveChild(last);
        ++count;
    }
    return count;
}

void TNodedInterface::ReleaseTree()
{
    TWriteScope guard(FLock);
    for (int32_t i = 0; i < FChildren->GetCount(); ++i) {
        IntfPtr<INodedInterface> node;
        if (Supports(FChildren->Get(i), node)) node->ReleaseTree();
    }
    RemoveAllChildren();
}

int32_t TNodedInterface::CountImplementors(const TGUID& iid, bool recursive)
{
    int32_t count = 0;
    for (const IntfPtr<IInterface>& child : GetChildren()->Snapshot()) {
        IntfPtr<INodedInterface> node;
        if (recursive && Supports(child, node)) count += node->CountImplementors(iid, true);
        if (Supports(child.get(), iid)) ++count;
    }
    return count;
}

bool TNodedInterface::FindByGUID(const std::string& guid, IntfPtr<INodedInterface>& node)
{
    return FindInTree(this, guid, &INodedInterface::GetGUIDString, &INodedInterface::FindByGUID, node);
}

bool TNodedInterface::FindByName(const std::string& name, IntfPtr<INodedInterface>& node)
{
    return FindInTree(this, name, &INodedInterface::GetName, &INodedInterface::FindByName, node);
}
