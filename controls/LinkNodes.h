#pragma once

#include "controls/LinkTools.h"

#include <QPoint>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace quarn {

// The node classes of a parsed link-label caption. A parent owns its children; every node knows its parent.
enum class TNodeType {
    Node = 0,
    Parent = 1,
    Area = 2,
    Style = 3,
    Link = 4,
    Dynamic = 5,
    Root = 6,
    String = 7,
    Action = 8,
    Unknown = 9,
};

// A rectangle whose four edges all belong to it (a point on the right or bottom edge is inside).
struct TLinkRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Contains(QPoint point) const {
        return left <= point.x() && point.x() <= right && top <= point.y() && point.y() <= bottom;
    }
    bool operator==(const TLinkRect&) const = default;
};
using TRectList = std::vector<TLinkRect>;

class TParentNode;

class TNode {
public:
    virtual ~TNode() = default;
    TNode(const TNode&) = delete;
    TNode& operator=(const TNode&) = delete;

    // The number of the node's exact class; a class outside the table raises ENodeError.
    TNodeType GetNodeType() const;
    TParentNode* Parent() const { return parent_; }

protected:
    TNode() = default;

private:
    friend class TParentNode;
    TParentNode* parent_ = nullptr;
};

class TParentNode : public TNode {
public:
    TNode& Add(std::unique_ptr<TNode> child);
    void ClearChildren() { children_.clear(); }
    // Hands the children over (the parent is left empty); their parent is set again where they are added.
    std::vector<std::unique_ptr<TNode>> TakeChildren();
    const std::vector<std::unique_ptr<TNode>>& Children() const { return children_; }
    // The first descendant of the type, depth first; nullptr when there is none.
    TNode* FindFirst(TNodeType type) const;

private:
    std::vector<std::unique_ptr<TNode>> children_;
};

// Every descendant of one type in document order, not descending into a match.
class TTopLevelNodeEnumerator {
public:
    TTopLevelNodeEnumerator(const TParentNode& parent, TNodeType type);
    bool HasMoreNodes() const { return next_ < nodes_.size(); }
    TNode& NextNode();

private:
    void Collect(const TParentNode& parent, TNodeType type);
    std::vector<TNode*> nodes_;
    std::size_t next_ = 0;
};

class TRectEnumerator {
public:
    explicit TRectEnumerator(TRectList rects) : rects_(std::move(rects)) {}
    bool HasMoreRects() const { return next_ < rects_.size(); }
    const TLinkRect& NextRect();

private:
    TRectList rects_;
    std::size_t next_ = 0;
};

// A node with text below it, drawn in one set of styles and one colour (both stored while rendering).
class TAreaNode : public TParentNode {
public:
    QPoint startPosition;
    TFontStyles styles = 0;
    std::uint32_t color = 0;

    QString Text() const;
    bool PointIn(QPoint point) const;
    TRectList Rects() const;
    // True when the point is in a descendant of the type.
    virtual bool ClassPointIn(QPoint point, TNodeType type) const;
    // The deepest node of the type, in document order, whose text holds the point; nullptr for none.
    TAreaNode* NodeAtPoint(QPoint point, TNodeType type);
};

enum class TStyle { Bold = 0, Italic = 1, Underline = 2 };

class TStyleNode : public TAreaNode {
public:
    explicit TStyleNode(TStyle style) : style(style) {}
    TFontStyles FontStyle() const;
    const TStyle style;
};

enum class TLinkState { Normal = 0, Clicked = 1, Hot = 2 };

// The colours a link asks for; the renderer turns them into its link colours.
constexpr std::uint32_t kLinkColorNormal = 0x80000400U;
constexpr std::uint32_t kLinkColorClicked = 0x80000401U;
constexpr std::uint32_t kLinkColorHot = 0x80000402U;

class TLinkNode : public TAreaNode {
public:
    explicit TLinkNode(int number) : number(number) {}
    std::uint32_t StateColor() const { return kLinkColorNormal + static_cast<std::uint32_t>(state); }
    TLinkState state = TLinkState::Normal;
    const int number;
};

class TDynamicNode : public TAreaNode {
public:
    explicit TDynamicNode(int number) : number(number) {}
    const int number;
};

// One piece of link text where it was drawn, with its link.
struct TLinkRectEntry {
    TLinkRect rect;
    TLinkNode* link = nullptr;
};

class TRootNode : public TAreaNode {
public:
    bool ClassPointIn(QPoint point, TNodeType type) const override;
    // Rebuilds the cache of link rectangles, links in document order.
    void CacheLinkRects();
    // The link whose text holds the point, from the cache.
    TLinkNode* LinkAtPoint(QPoint point) const;
    const std::vector<TLinkRectEntry>& CachedLinkRects() const { return linkRects_; }

private:
    std::vector<TLinkRectEntry> linkRects_;
};

// Measured once per word and kept until the font changes.
struct TWordInfo {
    bool endsWithSpace = false;
    int spaceWidth = 0;
    int width = 0;
    // The word goes on a word of the text before it (no space between): it never wraps on its own.
    bool continues = false;
    // The width the wrap test uses: the word's own, plus the first words of the texts that go on it.
    int wrapWidth = 0;
};

class TStringNode : public TNode {
public:
    explicit TStringNode(QString text) : text(std::move(text)) {}
    const QString text;

    const TWordInfo& GetWordInfo(std::size_t index) const;
    std::size_t WordInfoCount() const { return wordInfo_.size(); }
    void AddWordInfo(const TWordInfo& info) { wordInfo_.push_back(info); }
    void ClearWordInfo() { wordInfo_.clear(); }

    void AddRect(const TLinkRect& rect) { rects_.push_back(rect); }
    void ClearRects() { rects_.clear(); }
    const TRectList& Rects() const { return rects_; }
    bool PointIn(QPoint point) const;

private:
    std::vector<TWordInfo> wordInfo_;
    TRectList rects_;
};

enum class TAction { LineBreak = 0, ParagraphBreak = 1 };

class TActionNode : public TNode {
public:
    explicit TActionNode(TAction action) : action(action) {}
    const TAction action;
};

class TUnknownNode : public TNode {
public:
    explicit TUnknownNode(QString tag) : tag(std::move(tag)) {}
    const QString tag;
};

// The tree of one caption. The root draws in the window-text colour until the label gives it its font's.
class TNodeTree {
public:
    TNodeTree();
    TRootNode& Root() { return *root_; }
    const TRootNode& Root() const { return *root_; }

private:
    std::unique_ptr<TRootNode> root_;
};

// Every string node of the tree forgets its measured words (after a font change).
void ClearWordInfo(TParentNode& parent);

} // namespace quarn
