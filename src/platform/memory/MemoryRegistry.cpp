#include "platform/memory/MemoryRegistry.h"

#include <algorithm>

#include "util/unitStrUtils.h"

namespace kw {

// Subkeys are kept sorted by folded name and values indexed by it, so that a lookup does not
// grow with the number of subkeys or values of a key.
struct MemoryRegistry::Node {
  std::string name;
  std::string folded;                           // FoldCase(name)
  std::vector<std::unique_ptr<Node>> children;  // sorted by folded name
  std::vector<std::pair<std::string, RegValue>> values;  // in the order they were made
  std::map<std::string, size_t> valueIndex;              // folded value name -> position

  std::vector<std::unique_ptr<Node>>::iterator ChildAt(const std::string& foldedName) {
    return std::lower_bound(children.begin(), children.end(), foldedName,
                            [](const auto& child, const std::string& f) { return child->folded < f; });
  }
  Node* Child(const std::string& childName) {
    const std::string wanted = FoldCase(childName);
    auto at = ChildAt(wanted);
    return at != children.end() && (*at)->folded == wanted ? at->get() : nullptr;
  }
  Node* AddChild(const std::string& childName) {
    auto node = std::make_unique<Node>();
    node->name = childName;
    node->folded = FoldCase(childName);
    auto at = std::upper_bound(children.begin(), children.end(), node->folded,
                               [](const std::string& f, const auto& child) { return f < child->folded; });
    return children.insert(at, std::move(node))->get();
  }
  std::vector<std::pair<std::string, RegValue>>::iterator FindValue(std::string_view valueName) {
    auto it = valueIndex.find(FoldCase(valueName));
    return it == valueIndex.end() ? values.end() : values.begin() + static_cast<std::ptrdiff_t>(it->second);
  }
  void SetValue(std::string_view valueName, RegValue value) {
    auto it = FindValue(valueName);
    if (it != values.end()) {
      it->second = std::move(value);
      return;
    }
    valueIndex[FoldCase(valueName)] = values.size();
    values.emplace_back(std::string(valueName), std::move(value));
  }
  void EraseValue(std::vector<std::pair<std::string, RegValue>>::iterator it) {
    const size_t erased = static_cast<size_t>(it - values.begin());
    valueIndex.erase(FoldCase(it->first));
    values.erase(it);
    for (auto& [folded, position] : valueIndex)
      if (position > erased) --position;
  }
};

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> components;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) components.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return components;
}

namespace {

std::string JoinKeyPath(const std::vector<std::string>& components, size_t count) {
  std::string path;
  for (size_t i = 0; i < count && i < components.size(); ++i) {
    if (i) path += '\\';
    path += components[i];
  }
  return path;
}

bool IsSameOrBelow(const std::string& path, const std::string& top) {
  const std::string p = FoldCase(path), t = FoldCase(top);
  if (t.empty()) return true;
  return p == t || (p.size() > t.size() && p.compare(0, t.size(), t) == 0 && p[t.size()] == '\\');
}

}  // namespace

// A handle on a key: it remembers the path and looks the key up at each call, so a key
// deleted meanwhile fails the call as Windows does.
class MemoryRegistryKey : public RegistryKey {
 public:
  MemoryRegistryKey(MemoryRegistry& registry, RootKey root, std::vector<std::string> components, bool writable)
      : registry_(registry), root_(root), components_(std::move(components)), writable_(writable) {}

  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    if (auto* node = Lookup())
      for (const auto& entry : node->values) names.push_back(entry.first);
    return names;
  }

  std::vector<std::string> SubkeyNames() override {
    std::vector<std::string> names;
    if (auto* node = Lookup())
      for (const auto& child : node->children) names.push_back(child->name);
    return names;
  }

  std::optional<RegValue> QueryValue(std::string_view name) override {
    auto* node = Lookup();
    if (!node) return std::nullopt;
    auto it = node->FindValue(name);
    if (it == node->values.end()) return std::nullopt;
    return it->second;
  }

  bool SetValue(std::string_view name, const RegValue& value) override {
    auto* node = Lookup();
    if (!node || !writable_ || registry_.Refused(RegOp::Write, root_, Path(), std::string(name))) return false;
    node->SetValue(name, value);
    return true;
  }

  bool DeleteValue(std::string_view name) override {
    auto* node = Lookup();
    if (!node || !writable_ || registry_.Refused(RegOp::DeleteValue, root_, Path(), std::string(name))) return false;
    auto it = node->FindValue(name);
    if (it == node->values.end()) return false;
    node->EraseValue(it);
    return true;
  }

 private:
  MemoryRegistry::Node* Lookup() const { return registry_.Find(root_, components_); }
  std::string Path() const { return JoinKeyPath(components_, components_.size()); }

  MemoryRegistry& registry_;
  RootKey root_;
  std::vector<std::string> components_;
  bool writable_;
};

MemoryRegistry::MemoryRegistry() = default;
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Find(RootKey root, const std::vector<std::string>& components) const {
  auto it = roots_.find(root);
  if (it == roots_.end()) return nullptr;
  Node* node = it->second.get();
  for (const std::string& component : components) {
    node = node->Child(component);
    if (!node) return nullptr;
  }
  return node;
}

bool MemoryRegistry::Refused(RegOp op, RootKey root, const std::string& path, const std::string& value,
                             RegAccess access) const {
  for (const Rule& rule : rules_) {
    if (rule.root != root || !IsSameOrBelow(path, rule.path)) continue;
    switch (rule.kind) {
      case RuleKind::RefuseOpen:
        if (op == RegOp::Open || op == RegOp::Create) return true;
        break;
      case RuleKind::RefuseWrite:
        if (op != RegOp::Open) return true;
        break;
      case RuleKind::DenyWriteAccess:
        if (op != RegOp::Open || access != RegAccess::Read) return true;
        break;
    }
  }
  return hook_ && hook_(op, root, path, value);
}

std::vector<std::string> MemoryRegistry::ViewPath(RegView view, RootKey root, std::string_view path) const {
  std::vector<std::string> components = SplitKeyPath(path);
  const bool redirected = windows64_ && view == RegView::Bits32 && root == kHkeyLocalMachine &&
                          !components.empty() && FoldCase(components[0]) == FoldCase("SOFTWARE") &&
                          (components.size() < 2 || FoldCase(components[1]) != FoldCase("WOW6432Node"));
  if (redirected) components.insert(components.begin() + 1, "WOW6432Node");
  return components;
}

std::unique_ptr<RegistryKey> MemoryRegistry::TryOpenKey(RegView view, RootKey root, std::string_view path,
                                                        RegAccess access, RegOpenFailure& why) {
  const bool create = access == RegAccess::Create;
  std::vector<std::string> components = ViewPath(view, root, path);
  auto& top = roots_[root];
  if (!top) top = std::make_unique<Node>();
  Node* node = top.get();
  for (size_t i = 0; i < components.size(); ++i) {
    Node* child = node->Child(components[i]);
    if (!child) {
      if (!create) {
        why = RegOpenFailure::Missing;
        return nullptr;
      }
      if (Refused(RegOp::Create, root, JoinKeyPath(components, i + 1), {})) {
        why = RegOpenFailure::Denied;
        return nullptr;
      }
      child = node->AddChild(components[i]);
    }
    node = child;
  }
  if (Refused(RegOp::Open, root, JoinKeyPath(components, components.size()), {}, access)) {
    why = RegOpenFailure::Denied;
    return nullptr;
  }
  why = RegOpenFailure::None;
  return std::make_unique<MemoryRegistryKey>(*this, root, std::move(components), access != RegAccess::Read);
}

bool MemoryRegistry::DeleteKeyIn(RegView view, RootKey root, std::string_view path) {
  const std::vector<std::string> components = ViewPath(view, root, path);
  if (components.empty()) return false;  // a root cannot be deleted
  std::vector<std::string> parentPath(components.begin(), components.end() - 1);
  Node* parent = Find(root, parentPath);
  Node* node = parent ? parent->Child(components.back()) : nullptr;
  if (!node) return true;
  // Windows deletes depth first and stops at the first key it may not delete.
  std::function<bool(Node*, const std::string&)> removeChildren = [&](Node* n, const std::string& nPath) {
    while (!n->children.empty()) {
      Node* child = n->children.front().get();
      const std::string childPath = nPath + "\\" + child->name;
      if (!removeChildren(child, childPath) || Refused(RegOp::DeleteKey, root, childPath, {})) return false;
      n->children.erase(n->children.begin());
    }
    return true;
  };
  const std::string fullPath = JoinKeyPath(components, components.size());
  if (!removeChildren(node, fullPath) || Refused(RegOp::DeleteKey, root, fullPath, {})) return false;
  parent->children.erase(parent->ChildAt(node->folded));
  return true;
}

bool MemoryRegistry::RenameKeyIn(RegView view, RootKey root, std::string_view path, std::string_view newName) {
  const std::vector<std::string> components = ViewPath(view, root, path);
  if (components.empty() || newName.empty() || newName.find('\\') != std::string_view::npos) return false;
  Node* parent = Find(root, std::vector<std::string>(components.begin(), components.end() - 1));
  Node* node = parent ? parent->Child(components.back()) : nullptr;
  if (!node) return false;
  const std::string name(newName);
  if (parent->Child(name) && parent->Child(name) != node) return false;  // taken
  if (Refused(RegOp::Rename, root, JoinKeyPath(components, components.size()), name)) return false;
  auto at = parent->ChildAt(node->folded);
  std::unique_ptr<Node> moved = std::move(*at);
  parent->children.erase(at);
  moved->name = name;
  moved->folded = FoldCase(name);
  auto to = std::upper_bound(parent->children.begin(), parent->children.end(), moved->folded,
                             [](const std::string& f, const auto& child) { return f < child->folded; });
  parent->children.insert(to, std::move(moved));
  return true;
}

void MemoryRegistry::RefuseOpen(RootKey root, std::string path) {
  rules_.push_back(Rule{RuleKind::RefuseOpen, root, JoinKeyPath(SplitKeyPath(path), SIZE_MAX)});
}

void MemoryRegistry::RefuseWrite(RootKey root, std::string path) {
  rules_.push_back(Rule{RuleKind::RefuseWrite, root, JoinKeyPath(SplitKeyPath(path), SIZE_MAX)});
}

void MemoryRegistry::DenyWriteAccess(RootKey root, std::string path) {
  rules_.push_back(Rule{RuleKind::DenyWriteAccess, root, JoinKeyPath(SplitKeyPath(path), SIZE_MAX)});
}

void MemoryRegistry::ClearFaults() {
  rules_.clear();
  hook_ = nullptr;
}

MemoryRegistry::Node* MemoryRegistry::MakeKey(RootKey root, std::string_view path) {
  auto& top = roots_[root];
  if (!top) top = std::make_unique<Node>();
  Node* node = top.get();
  for (const std::string& component : SplitKeyPath(path)) {
    Node* child = node->Child(component);
    node = child ? child : node->AddChild(component);
  }
  return node;
}

void MemoryRegistry::CreateKey(RootKey root, std::string_view path) { MakeKey(root, path); }

void MemoryRegistry::Put(RootKey root, std::string_view path, std::string_view name, RegValue value) {
  MakeKey(root, path)->SetValue(name, std::move(value));
}

void MemoryRegistry::PutString(RootKey root, std::string_view path, std::string_view name, std::string_view text) {
  Put(root, path, name, RegValue{kRegSz, std::string(text)});
}

bool MemoryRegistry::HasKey(RootKey root, std::string_view path) const {
  return Find(root, SplitKeyPath(path)) != nullptr;
}

}  // namespace kw
