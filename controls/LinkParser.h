#pragma once

#include "controls/LinkNodes.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace quarn {

enum class TElementKind { StartTag = 0, EndTag = 1, Text = 2 };

struct TElement {
    TElementKind kind = TElementKind::Text;
    QString text; // the tag name, or the text run
};

// Reads a caption element by element: "<name>", "</name>" or a text run up to the next "<".
// CR LF pairs are taken out first, so a line break in the source is no break on screen.
class TElementEnumerator {
public:
    explicit TElementEnumerator(QString text);
    bool IsEndReached() const { return position_ >= text_.size(); }
    const TElement& PeekNextElement();
    TElement PopNextElement();

private:
    const TElement& Scan();

    QString text_;
    qsizetype position_ = 0;
    // The element last scanned and where it ends, so a peek and the following pop scan once.
    qsizetype cachedAt_ = -1;
    qsizetype cachedEnd_ = 0;
    TElement cached_;
};

// Gives a dynamic node its mark-up source when the caption is parsed.
class IDynamicNodeHandler {
public:
    virtual ~IDynamicNodeHandler() = default;
    virtual void DynamicNodeSource(const TDynamicNode& node, QString& source) = 0;
};

// Turns a caption into a node tree. Links and dynamic nodes are numbered from 0 in each caption, the
// content a dynamic node's source brings along included.
class TDefaultParser {
public:
    virtual ~TDefaultParser() = default;
    std::unique_ptr<TNodeTree> Parse(const QString& text);
    std::unique_ptr<TNodeTree> Parse(const QStringList& lines) { return Parse(lines.join(QString())); }
    void SetDynamicNodeHandler(IDynamicNodeHandler* handler) { handler_ = handler; }

private:
    struct Counters {
        int links = 0;
        int dynamics = 0;
    };
    std::unique_ptr<TNodeTree> ParseTree(const QString& text, Counters& counters);
    void ParseNode(TElementEnumerator& elements, TParentNode& parent, Counters& counters);
    std::unique_ptr<TNode> NodeForTag(const QString& name, Counters& counters);

    IDynamicNodeHandler* handler_ = nullptr;
};

} // namespace quarn
