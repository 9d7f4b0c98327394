// Noded interface objects: counted objects with a name, a GUID, an enabled flag, an
// optional XML settings element, one owner and a list of children.
//
// Owner and children hold each other by counted references, so a tree is a set of
// reference cycles: whoever owns a tree calls ReleaseTree on its root before dropping
// it. Changes below a node are reported upward: every parent listens on its children's
// descendant eventers, so an addition or removal d levels below a node reaches that
// node's eventer with level d.
//
// Locking: each node has its own re-entrant multi-reader / single-writer lock. Tree
// changes are made from one thread at a time; reads and searches may come from any
// thread.
//
// Subclasses:
// - override ClassName() (the default name of a node that has none set or loaded) and
//   ImplementsInterface() for the interfaces they add, calling the base;
// - C++ runs no override from a base constructor: the constructor with (settings node,
//   owner) attaches, loads and links with this class's own LoadConfig and SetOwner. A
//   subclass that overrides them and needs them at construction constructs the base
//   with no arguments and calls its own LoadConfig(node, true, false) and
//   SetOwner(owner) from its constructor;
// - a subclass that overrides BeforeDestruction calls the base, which fires
//   NodeDestroyedEventer while the object is still whole.
#pragma once

#include "uEventer.h"
#include "uInterfaceList.h"
#include "uSync.h"
#include "uXmlUtils.h"
#include "ui_MyInterfacedObject.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>

class INodedInterfaceCore : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{DD03F488-8A5F-4757-98C3-8C2F2F38BEF4}");

    // The implementing object, for down-casts.
    virtual TMyInterfacedObject* GetObject() = 0;
    virtual std::string GetName() = 0;
    // Also writes the "name" attribute of an attached settings element.
    virtual void SetName(const std::string& name) = 0;
    // Raises EConvertError when the GUID text is empty or malformed.
    virtual TGUID GetGUID() = 0;
    virtual std::string GetGUIDString() = 0;
    virtual bool GetEnabled() = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual void BeginWrite() = 0;
    virtual void EndWrite() = 0;
    virtual void BeginRead() = 0;
    virtual void EndRead() = 0;
    // Fire this node's descendant eventer (when it exists) with (node, level + 1).
    virtual void NotifyDescendantAdded(INodedInterface* node, int32_t level) = 0;
    virtual void NotifyDescendantRemoved(INodedInterface* node, int32_t level) = 0;
};

class INodedInterface : public INodedInterfaceCore {
public:
    static constexpr TGUID IID = MakeGUID("{932E676F-ACE9-4CE9-BDEB-60D2688BA949}");

    virtual void SetConfigNode(const IntfPtr<IXMLNode>& node) = 0;
    // Reads "name", "enabled" and (when rereadGUID is set or no GUID is known yet)
    // "GUID" from node; with takeNode, node becomes the settings element first.
    virtual void LoadConfig(const IntfPtr<IXMLNode>& node, bool takeNode, bool rereadGUID) = 0;
    // Writes "name", "enabled" and "GUID" to the settings element, if one is attached.
    virtual void SaveConfig() = 0;
    virtual IntfPtr<IXMLNode> GetConfigNode() = 0;
    // LoadConfig(node, true, false).
    virtual void AttachConfig(const IntfPtr<IXMLNode>& node) = 0;
    virtual IntfPtr<IInterface> GetOwner() = 0;
    // Moves this node under newOwner (null detaches it). Raises Exception when newOwner
    // is this node or one of its descendants.
    virtual void SetOwner(const IntfPtr<IInterface>& newOwner) = 0;
    virtual IntfPtr<INodedInterface> GetOwnerNode() = 0;
    virtual void SetParent(const IntfPtr<IInterface>& newOwner) = 0;
    // A new list with the current children.
    virtual IntfPtr<IInterfaceList> GetChildren() = 0;
    // Null for an index out of range or a child that is not a node.
    virtual IntfPtr<INodedInterface> GetChild(int32_t index) = 0;
    virtual int32_t GetChildCount() = 0;
    // Index of the new child; -1 for null, for a child already present, and for this
    // node itself or one of its ancestors (which would close a loop).
    virtual int32_t AddChild(const IntfPtr<IInterface>& child) = 0;
    // Former index, or -1 when it was not a child.
    virtual int32_t RemoveChild(const IntfPtr<IInterface>& child) = 0;
    // Detaches every child, last first; returns how many.
    virtual int32_t RemoveAllChildren() = 0;
    // Children (and, when recursive, their descendants) implementing the interface.
    virtual int32_t CountImplementors(const TGUID& iid, bool recursive) = 0;
    // Depth-first search of this node and its subtree; exact comparison.
    virtual bool FindByGUID(const std::string& guid, IntfPtr<INodedInterface>& node) = 0;
    virtual bool FindByName(const std::string& name, IntfPtr<INodedInterface>& node) = 0;
    virtual int32_t IndexOfChild(const IntfPtr<IInterface>& child) = 0;
    // Created on first request; live as long as the node.
    virtual TeventerDescentEvent* GetDescendantAddedEventer() = 0;
    virtual TeventerDescentEvent* GetDescendantRemovedEventer() = 0;
    // Same as BeginWrite / EndWrite.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    // Detaches every node of the subtree from its children, breaking the reference
    // cycles so that the nodes go when the outside references go.
    virtual void ReleaseTree() = 0;
};

class TNodedInterface : public TMyInterfacedObject, public INodedInterface {
public:
    TNodedInterface();
    TNodedInterface(const IntfPtr<IXMLNode>& settingsNode, const IntfPtr<IInterface>& owner);

    // The class name; the name of a node until one is set or loaded.
    virtual std::string ClassName() const { return "TNodedInterface"; }

    TMyInterfacedObject* GetObject() override { return this; }
    std::string GetName() override;
    void SetName(const std::string& name) override;
    TGUID GetGUID() override;
    std::string GetGUIDString() override;
    bool GetEnabled() override;
    void SetEnabled(bool enabled) override;
    void BeginWrite() override;
    void EndWrite() override;
    void BeginRead() override;
    void EndRead() override;
    void NotifyDescendantAdded(INodedInterface* node, int32_t level) override;
    void NotifyDescendantRemoved(INodedInterface* node, int32_t level) override;

    void SetConfigNode(const IntfPtr<IXMLNode>& node) override;
    void LoadConfig(const IntfPtr<IXMLNode>& node, bool takeNode, bool rereadGUID) override;
    void SaveConfig() override;
    IntfPtr<IXMLNode> GetConfigNode() override;
    void AttachConfig(const IntfPtr<IXMLNode>& node) override;
    IntfPtr<IInterface> GetOwner() override;
    void SetOwner(const IntfPtr<IInterface>& newOwner) override;
    IntfPtr<INodedInterface> GetOwnerNode() override;
    void SetParent(const IntfPtr<IInterface>& newOwner) override;
    IntfPtr<IInterfaceList> GetChildren() override;
    IntfPtr<INodedInterface> GetChild(int32_t index) override;
    int32_t GetChildCount() override;
    int32_t AddChild(const IntfPtr<IInterface>& child) override;
    int32_t RemoveChild(const IntfPtr<IInterface>& child) override;
    int32_t RemoveAllChildren() override;
    int32_t CountImplementors(const TGUID& iid, bool recursive) override;
    bool FindByGUID(const std::string& guid, IntfPtr<INodedInterface>& node) override;
    bool FindByName(const std::string& name, IntfPtr<INodedInterface>& node) override;
    int32_t IndexOfChild(const IntfPtr<IInterface>& child) override;
    TeventerDescentEvent* GetDescendantAddedEventer() override;
    TeventerDescentEvent* GetDescendantRemovedEventer() override;
    void Lock() override;
    void Unlock() override;
    void ReleaseTree() override;

protected:
    ~TNodedInterface() override;

    bool ImplementsInterface(const TGUID& iid) const override;
    // Tells NodeCreatedEventer about the finished node, with its real name and interfaces.
    void Constructed() override;
    void BeforeDestruction() override;

private:
    // Fires the eventer if it exists, outside this node's lock.
    void FireDescendant(std::unique_ptr<TeventerDescentEvent> TNodedInterface::*eventer, INodedInterface* node,
                        int32_t level);
    TeventerDescentEvent* DescendantEventer(std::unique_ptr<TeventerDescentEvent> TNodedInterface::*eventer);
    // True when upper is lower or lies above it in the tree.
    static bool IsSameOrAbove(INodedInterface* upper, INodedInterface* lower);

    bool FEnabled = true;
    IntfPtr<IXMLNode> FConfigNode;
    std::optional<std::string> FName; // unset: the class name
    IntfPtr<IInterface> FOwner;
    IntfPtr<IInterfaceList> FChildren;
    std::atomic<int32_t> FWriteDepth{0};
    std::atomic<int32_t> FReadDepth{0};
    std::unique_ptr<TeventerDescentEvent> FDescendantAddedEventer;
    std::unique_ptr<TeventerDescentEvent> FDescendantRemovedEventer;
    std::string FGUIDString;
    TMultiReadExclusiveWriteSynchronizer FLock;
};

// Fired with every node at the end of its construction and at the start of its
// destruction. Created on first use and never destroyed, so nodes built or dropped by
// other static objects at start-up or shut-down still find them.
Teventer_NodedInterface& NodeCreatedEventer();
Teventer_NodedInterface& NodeDestroyedEventer();
