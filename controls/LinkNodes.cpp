#include "controls/LinkNodes.h"

#include <typeinfo>

namespace quarn {

namespace {
constexpr std::uint32_t kClWindowText = 0x80000008U;
} // namespace

TNodeType TNode::GetNodeType() const {
    const std::type_info& type = typeid(*this);
    if (type == typeid(TStringNode)) {
        return TNodeType::String;
    }
    if (type == typeid(TLinkNode)) {
        return TNodeType::Link;
    }
    if (type == typeid(TStyleNode)) {
        return TNodeType::Style;
    }
    if (type == typeid(TActionNode)) {
        return TNodeType::Action;
    }
    if (type == typeid(TDynamicNode)) {
        return TNodeType::Dynamic;
    }
    if (type == typeid(TRootNode)) {
        return TNodeType::Root;
    }
    if (type == typeid(TUnknownNode)) {
        return TNodeType::Unknown;
    }
    if (type == typeid(TAreaNode)) {
        return TNodeType::Area;
    }
    if (type == typeid(TParentNode)) {
        return TNodeType::Parent;
    }
    if (type == typeid(TNode)) {
        return TNodeType::Node;
    }
    throw ENodeError("TNode.GetNodeType: Unknown class");
}

TNode& TParentNode::Add(std::unique_ptr<TNode> child) {
    child->parent_ = this;
    children_.push_back(std::move(child));
    return *children_.back();
}

std::vector<std::unique_ptr<TNode>> TParentNode::TakeChildren() {
    std::vector<std::unique_ptr<TNode>> taken;
    taken.swap(children_);
    for (const auto& child : taken) {
        child->parent_ = nullptr;
    }
    return taken;
}

TNode* TParentNode::FindFirst(TNodeType type) const {
    for (const auto& child : children_) {
        if (child->GetNodeType() == type) {
            return child.get();
        }
        if (const auto* parent = dynamic_cast<const TParentNode*>(child.get())) {
            if (TNode* found = parent->FindFirst(type)) {
                return found;
            }
        }
    }
    return nullptr;
}

TTopLevelNodeEnumerator::TTopLevelNodeEnumerator(const TParentNode& parent, TNodeType type) {
    Collect(parent, type);
}

void TTopLevelNodeEnumerator::Collect(const TParentNode& parent, TNodeType type) {
    for (const auto& child : parent.Children()) {
        if (child->GetNodeType() == type) {
            nodes_.push_back(child.get());
        } else if (const auto* childParent = dynamic_cast<const TParentNode*>(child.get())) {
            Collect(*childParent, type);
        }
    }
}

TNode& TTopLevelNodeEnumerator::NextNode() {
    if (!HasMoreNodes()) {
        throw ENodeError("No more nodes to return");
    }
    return *nodes_[next_++];
}

const TLinkRect& TRectEnumerator::NextRect() {
    if (!HasMoreRects()) {
        throw ENodeError("No more records to return");
    }
    return rects_[next_++];
}

namespace {

template <typename Visit> void ForEachString(const TParentNode& parent, const Visit& visit) {
    for (const auto& child : parent.Children()) {
        if (const auto* text = dynamic_cast<const TStringNode*>(child.get())) {
            visit(*text);
        } else if (const auto* childParent = dynamic_cast<const TParentNode*>(child.get())) {
            ForEachString(*childParent, visit);
        }
    }
}

} // namespace

QString TAreaNode::Text() const {
    QString text;
    ForEachString(*this, [&](const TStringNode& node) { text += node.text; });
    return text;
}

bool TAreaNode::PointIn(QPoint point) const {
    bool inside = false;
    ForEachString(*this, [&](const TStringNode& node) { inside = inside || node.PointIn(point); });
    return inside;
}

TRectList TAreaNode::Rects() const {
    TRectList rects;
    ForEachString(*this, [&](const TStringNode& node) {
        rects.insert(rects.end(), node.Rects().begin(), node.Rects().end());
    });
    return rects;
}

bool TAreaNode::ClassPointIn(QPoint point, TNodeType type) const {
    TTopLevelNodeEnumerator nodes(*this, type);
    while (nodes.HasMoreNodes()) {
        TNode& node = nodes.NextNode();
        if (const auto* area = dynamic_cast<const TAreaNode*>(&node);
            area != nullptr && area->PointIn(point)) {
            return true;
        }
        if (const auto* text = dynamic_cast<const TStringNode*>(&node);
            text != nullptr && text->PointIn(point)) {
            return true;
        }
    }
    return false;
}

TAreaNode* TAreaNode::NodeAtPoint(QPoint point, TNodeType type) {
    for (const auto& child : Children()) {
        if (auto* area = dynamic_cast<TAreaNode*>(child.get())) {
            if (TAreaNode* found = area->NodeAtPoint(point, type)) {
                return found;
            }
        }
    }
    return GetNodeType() == type && PointIn(point) ? this : nullptr;
}

TFontStyles TStyleNode::FontStyle() const {
    switch (style) {
    case TStyle::Bold:
        return fsBold;
    case TStyle::Italic:
        return fsItalic;
    case TStyle::Underline:
        return fsUnderline;
    }
    return 0;
}

bool TRootNode::ClassPointIn(QPoint point, TNodeType type) const {
    if (type == TNodeType::Link && !linkRects_.empty()) {
        return LinkAtPoint(point) != nullptr;
    }
    return TAreaNode::ClassPointIn(point, type);
}

void TRootNode::CacheLinkRects() {
    linkRects_.clear();
    TTopLevelNodeEnumerator links(*this, TNodeType::Link);
    while (links.HasMoreNodes()) {
        auto& link = static_cast<TLinkNode&>(links.NextNode());
        for (const TLinkRect& rect : link.Rects()) {
            linkRects_.push_back({rect, &link});
        }
    }
}

TLinkNode* TRootNode::LinkAtPoint(QPoint point) const {
    for (const TLinkRectEntry& entry : linkRects_) {
        if (entry.rect.Contains(point)) {
            return entry.link;
        }
    }
    return nullptr;
}

const TWordInfo& TStringNode::GetWordInfo(std::size_t index) const {
    if (index >= wordInfo_.size()) {
        throw ENodeError("TStringNode.GetWordInfo: Index out of bounds");
    }
    return wordInfo_[index];
}

bool TStringNode::PointIn(QPoint point) const {
    for (const TLinkRect& rect : rects_) {
        if (rect.Contains(point)) {
            return true;
        }
    }
    return false;
}

TNodeTree::TNodeTree() : root_(std::make_unique<TRootNode>()) {
    root_->color = kClWindowText;
}

void ClearWordInfo(TParentNode& parent) {
    for (const auto& child : parent.Children()) {
        if (auto* text = dynamic_cast<TStringNode*>(child.get())) {
            text->ClearWordInfo();
        } else if (auto* childParent = dynamic_cast<TParentNode*>(child.get())) {
            ClearWordInfo(*childParent);
        }
    }
}

} // namespace quarn
