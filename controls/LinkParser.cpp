#include "controls/LinkParser.h"

namespace quarn {

TElementEnumerator::TElementEnumerator(QString text) : text_(std::move(text)) {
    text_.remove(QStringLiteral("\r\n"));
}

const TElement& TElementEnumerator::Scan() {
    if (cachedAt_ == position_) {
        return cached_;
    }
    if (IsEndReached()) {
        throw EParserError("TElementEnumerator.GetNextElement: No more elements to return");
    }
    qsizetype nameStart = position_;
    if (text_.at(position_) == u'<') {
        const bool endTag = position_ + 1 < text_.size() && text_.at(position_ + 1) == u'/';
        cached_.kind = endTag ? TElementKind::EndTag : TElementKind::StartTag;
        nameStart = position_ + (endTag ? 2 : 1);
        const qsizetype close = text_.indexOf(u'>', nameStart);
        // A tag that is never closed takes the rest of the text as its name.
        const qsizetype nameEnd = close < 0 ? text_.size() : close;
        cached_.text = text_.mid(nameStart, nameEnd - nameStart);
        cachedEnd_ = close < 0 ? text_.size() : close + 1;
    } else {
        cached_.kind = TElementKind::Text;
        const qsizetype next = text_.indexOf(u'<', position_);
        cachedEnd_ = next < 0 ? text_.size() : next;
        cached_.text = text_.mid(position_, cachedEnd_ - position_);
    }
    cachedAt_ = position_;
    return cached_;
}

const TElement& TElementEnumerator::PeekNextElement() {
    return Scan();
}

TElement TElementEnumerator::PopNextElement() {
    TElement element = Scan();
    position_ = cachedEnd_;
    return element;
}

std::unique_ptr<TNodeTree> TDefaultParser::Parse(const QString& text) {
    Counters counters;
    return ParseTree(text, counters);
}

std::unique_ptr<TNodeTree> TDefaultParser::ParseTree(const QString& text, Counters& counters) {
    auto tree = std::make_unique<TNodeTree>();
    TElementEnumerator elements(text);
    ParseNode(elements, tree->Root(), counters);
    return tree;
}

void TDefaultParser::ParseNode(TElementEnumerator& elements, TParentNode& parent, Counters& counters) {
    while (!elements.IsEndReached() && elements.PeekNextElement().kind != TElementKind::EndTag) {
        const TElement element = elements.PopNextElement();
        std::unique_ptr<TNode> node;
        if (element.kind == TElementKind::StartTag) {
            node = NodeForTag(element.text, counters);
        } else if (element.kind == TElementKind::Text) {
            QString text = element.text;
            text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
            text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
            node = std::make_unique<TStringNode>(std::move(text));
        } else {
            throw EParserError("TDefaultParser.ParseNode: Unsupported state");
        }
        TNode& added = parent.Add(std::move(node));
        // A dynamic node's content comes from its source only: mark-up written inside it stays beside it.
        if (element.kind == TElementKind::StartTag && added.GetNodeType() != TNodeType::Dynamic) {
            if (auto* child = dynamic_cast<TParentNode*>(&added)) {
                ParseNode(elements, *child, counters);
            }
        }
    }
    if (!elements.IsEndReached()) {
        elements.PopNextElement();
    }
}

std::unique_ptr<TNode> TDefaultParser::NodeForTag(const QString& name, Counters& counters) {
    const QString tag = name.toUpper();
    if (tag == u"B") {
        return std::make_unique<TStyleNode>(TStyle::Bold);
    }
    if (tag == u"I") {
        return std::make_unique<TStyleNode>(TStyle::Italic);
    }
    if (tag == u"U") {
        return std::make_unique<TStyleNode>(TStyle::Underline);
    }
    if (tag == u"LINK") {
        return std::make_unique<TLinkNode>(counters.links++);
    }
    if (tag == u"BR") {
        return std::make_unique<TActionNode>(TAction::LineBreak);
    }
    if (tag == u"P") {
        return std::make_unique<TActionNode>(TAction::ParagraphBreak);
    }
    if (tag == u"DYNAMIC") {
        auto dynamic = std::make_unique<TDynamicNode>(counters.dynamics++);
        if (handler_ != nullptr) {
            QString source;
            handler_->DynamicNodeSource(*dynamic, source);
            if (!source.isEmpty()) {
                // The source's links and dynamic nodes go on with this caption's numbers.
                std::unique_ptr<TNodeTree> content = ParseTree(source, counters);
                for (auto& child : content->Root().TakeChildren()) {
                    dynamic->Add(std::move(child));
                }
            }
        }
        return dynamic;
    }
    return std::make_unique<TUnknownNode>(name);
}

} // namespace quarn
