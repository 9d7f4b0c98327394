// Loads node settings from arbitrary XML, as a protocol stack and a stack device read
// theirs, and aborts when loading raises anything but the program's own exceptions, a
// node that failed to construct stays in its owner's tree, or the settings a node saves
// do not load back to the same name, enabled flag, GUID, address and fixed SIG.
//
// Input: one byte choosing how the nodes are built (bit 0: settings read by the
// constructors, else by LoadConfig afterwards; bits 1-2: the stack's owner: none, a
// communication interface or a node of another kind), then the XML text. The root
// element holds the stack's settings; its first "Device" child, or else the root
// itself, the device's.
#include "framework/uExceptions.h"
#include "framework/uXmlUtils.h"
#include "fuzz/fuzz_support.h"
#include "protocol/uTarvelStack.h"
#include "protocol/uTarvelStackDevice.h"
#include "tests/protocol/test_stack_link.h"

#include <string>
#include <utility>

namespace {

struct TNodeState {
    std::string Name;
    std::string Guid;
    bool Enabled = false;
    uint8_t Address = 0;
    uint8_t FixedSig = 0;
    bool operator==(const TNodeState&) const = default;
};

TNodeState StateOf(INodedInterface& node)
{
    TNodeState state{node.GetName(), node.GetGUIDString(), node.GetEnabled()};
    IntfPtr<ITarvelStackDevice> device;
    if (Supports<ITarvelStackDevice>(&node, device)) {
        state.Address = device->GetAddress();
        state.FixedSig = device->GetFixedSig();
    }
    return state;
}

// Saves the node's settings and loads them into a fresh node of the same kind.
template <class T>
void CheckSavedSettings(const IntfPtr<T>& node, const IntfPtr<T>& fresh)
{
    try {
        node->SaveConfig();
    } catch (...) {
        FuzzCheck(false); // what was read from XML can be written as XML
    }
    fresh->LoadConfig(node->GetConfigNode(), false, true);
    FuzzCheck(StateOf(*fresh) == StateOf(*node));
}

// Builds a node under owner; one that fails to construct must not stay among its children.
template <class T, class... Args>
IntfPtr<T> Construct(INodedInterface* owner, Args&&... args)
{
    const int32_t before = owner ? owner->GetChildCount() : 0;
    try {
        return MakeObj<T>(std::forward<Args>(args)...);
    } catch (const Exception&) {
        if (owner) FuzzCheck(owner->GetChildCount() == before);
        throw;
    }
}

IntfPtr<INodedInterface> MakeOwner(int kind)
{
    if (kind == 1) return MakeObj<TMemoryLink>();
    if (kind == 2) return MakeObj<TTarvelStackDevice>(uint8_t(0x40));
    return nullptr;
}

void Load(bool byConstructor, const IntfPtr<INodedInterface>& owner, const IntfPtr<IXMLNode>& stackNode,
          const IntfPtr<IXMLNode>& deviceNode)
{
    IntfPtr<TTarvelStack> stack;
    IntfPtr<TTarvelStackDevice> device;
    if (byConstructor) {
        stack = Construct<TTarvelStack>(owner.get(), stackNode, owner);
        device = Construct<TTarvelStackDevice>(stack.get(), deviceNode, stack);
    } else {
        stack = MakeObj<TTarvelStack>();
        stack->LoadConfig(stackNode, true, true);
        stack->SetOwner(owner);
        device = MakeObj<TTarvelStackDevice>(uint8_t(0x31));
        device->LoadConfig(deviceNode, true, true);
        stack->AddDevice(device);
    }
    FuzzCheck(stack->GetChildCount() == 1 && device->GetStack().get() == static_cast<ITarvelStack*>(stack.get()));
    CheckSavedSettings(device, MakeObj<TTarvelStackDevice>(uint8_t(0)));
    CheckSavedSettings(stack, MakeObj<TTarvelStack>());
    stack->ReleaseTree();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const bool byConstructor = data[0] & 1;
    const int ownerKind = (data[0] >> 1) & 3;
    IntfPtr<TXMLDocument> doc;
    try {
        doc = TXMLDocument::LoadFromText(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    } catch (const Exception&) {
        return 0;
    }
    const IntfPtr<IXMLNode> root = doc->DocumentElement();
    IntfPtr<IXMLNode> deviceNode = root->FindChildNode("Device");
    if (!deviceNode) deviceNode = root;

    const IntfPtr<INodedInterface> owner = MakeOwner(ownerKind);
    try {
        Load(byConstructor, owner, root, deviceNode);
    } catch (const Exception&) {
        // A refused setting (an "enabled" that is no Boolean) or owner.
    }
    if (owner) owner->ReleaseTree();
    return 0;
}
