#include "controls/LinkParser.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

// The tree as compact text: 'run', <B>..</B>, <link0>..</link>, <dyn0>..</dyn>, |BR|, |P|, ?tag?.
QString Dump(const TParentNode& parent) {
    QString out;
    for (const auto& child : parent.Children()) {
        switch (child->GetNodeType()) {
        case TNodeType::String:
            out += u'\'' + static_cast<const TStringNode&>(*child).text + u'\'';
            break;
        case TNodeType::Style: {
            const auto& style = static_cast<const TStyleNode&>(*child);
            const QString name = style.style == TStyle::Bold     ? "B"
                                 : style.style == TStyle::Italic ? "I"
                                                                 : "U";
            out += "<" + name + ">" + Dump(style) + "</" + name + ">";
            break;
        }
        case TNodeType::Link: {
            const auto& link = static_cast<const TLinkNode&>(*child);
            out += QString("<link%1>").arg(link.number) + Dump(link) + "</link>";
            break;
        }
        case TNodeType::Dynamic: {
            const auto& dynamic = static_cast<const TDynamicNode&>(*child);
            out += QString("<dyn%1>").arg(dynamic.number) + Dump(dynamic) + "</dyn>";
            break;
        }
        case TNodeType::Action:
            out += static_cast<const TActionNode&>(*child).action == TAction::LineBreak ? "|BR|" : "|P|";
            break;
        case TNodeType::Unknown:
            out += "?" + static_cast<const TUnknownNode&>(*child).tag + "?";
            break;
        default:
            out += "!";
        }
    }
    return out;
}

QString Parsed(const QString& caption) {
    TDefaultParser parser;
    return Dump(parser.Parse(caption)->Root());
}

TEST(LinkParser, CaptionsBecomeTheirTrees) {
    const struct {
        const char* caption;
        const char* tree;
    } cases[] = {
        {"a<B>b</I>c", "'a'<B>'b'</B>'c'"}, // any end tag closes the innermost element
        {"a</B>b", "'a'"},                  // an end tag with nothing open ends the caption
        {"&lt;x&gt;", "'<x>'"},             // the two entities, and no link
        {"&LT;x&Gt;", "'&LT;x&Gt;'"},       // entities are case-sensitive
        {"<b>a</b><i>b</i><u>c</u>", "<B>'a'</B><I>'b'</I><U>'c'</U>"},
        {"<link>a</link><Link>b</Link><LINK>c</LINK>", "<link0>'a'</link><link1>'b'</link><link2>'c'</link>"},
        {"a<foo>b", "'a'?foo?'b'"}, // unknown tags stay, with the text after them
        {"a<B", "'a'<B></B>"},      // a tag never closed takes the rest as its name
        {"a<B c", "'a'?B c?"},
        {"a<x<y>b", "'a'?x<y?'b'"},     // a name runs to the next ">"
        {"a<BR>b</BR>c", "'a'|BR|'b'"}, // BR opens nothing: its end tag closes the caption
        {"x<B>a<P>b</P>c</B>d", "'x'<B>'a'|P|'b'</B>'c'"},
        {"a\r\nb\nc", "'ab\nc'"},                                       // only CR LF pairs go
        {"<B><DYNAMIC>x</DYNAMIC>y</B>z", "<B><dyn0></dyn>'x'</B>'y'"}, // DYNAMIC content is its sibling
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Parsed(QString::fromUtf8(c.caption)), QString::fromUtf8(c.tree)) << c.caption;
    }
}

TEST(LinkParser, LinksAreNumberedPerCaption) {
    TDefaultParser parser;
    const QString caption = "<link>a</link> <link>b</link> <link>c</link>";
    EXPECT_EQ(Dump(parser.Parse(caption)->Root()),
              "<link0>'a'</link>' '<link1>'b'</link>' '<link2>'c'</link>");
    EXPECT_EQ(Dump(parser.Parse(caption)->Root()),
              "<link0>'a'</link>' '<link1>'b'</link>' '<link2>'c'</link>");
    EXPECT_EQ(Dump(parser.Parse(QStringList{"ab", "cd"})->Root()), "'abcd'");
}

// Answers in the order asked, so that a wrong number cannot make it recurse.
class SourcesInTurn : public IDynamicNodeHandler {
public:
    QStringList sources;
    QList<int> asked;
    void DynamicNodeSource(const TDynamicNode& node, QString& source) override {
        EXPECT_TRUE(source.isEmpty());
        source = asked.size() < sources.size() ? sources[asked.size()] : QString();
        asked.append(node.number);
    }
};

TEST(LinkParser, DynamicSourceContinuesTheCaptionsNumbers) {
    SourcesInTurn handler;
    handler.sources = {"<link>s</link><DYNAMIC>", "<link>t</link>"};
    TDefaultParser parser;
    parser.SetDynamicNodeHandler(&handler);
    const auto tree = parser.Parse(QString("<link>a</link><DYNAMIC><link>b</link>"));
    EXPECT_EQ(Dump(tree->Root()),
              "<link0>'a'</link><dyn0><link1>'s'</link><dyn1><link2>'t'</link></dyn></dyn><link3>'b'</link>");
    EXPECT_EQ(handler.asked, (QList<int>{0, 1}));
    EXPECT_EQ(tree->Root().Children()[1]->Parent(), &tree->Root());
}

TEST(LinkParser, ScannerPeeksAndPopsTheSameElement) {
    TElementEnumerator elements("ab</x><y>");
    EXPECT_EQ(elements.PeekNextElement().text, "ab");
    const TElement text = elements.PopNextElement();
    EXPECT_EQ(text.kind, TElementKind::Text);
    EXPECT_EQ(elements.PopNextElement().kind, TElementKind::EndTag);
    const TElement start = elements.PopNextElement();
    EXPECT_EQ(start.kind, TElementKind::StartTag);
    EXPECT_EQ(start.text, "y");
    EXPECT_TRUE(elements.IsEndReached());
}

class StrangeArea : public TAreaNode {};

TEST(LinkNodes, ErrorsCarryTheirTexts) {
    const auto message = [](const auto& action) -> std::string {
        try {
            action();
        } catch (const Exception& e) {
            return e.className() + ": " + e.what();
        }
        return "nothing raised";
    };
    TElementEnumerator empty("");
    EXPECT_EQ(message([&] { empty.PopNextElement(); }),
              "EParserError: TElementEnumerator.GetNextElement: No more elements to return");
    EXPECT_EQ(message([&] { empty.PeekNextElement(); }),
              "EParserError: TElementEnumerator.GetNextElement: No more elements to return");
    TRootNode root;
    TTopLevelNodeEnumerator none(root, TNodeType::Link);
    EXPECT_EQ(message([&] { none.NextNode(); }), "ENodeError: No more nodes to return");
    TRectEnumerator rects({});
    EXPECT_EQ(message([&] { rects.NextRect(); }), "ENodeError: No more records to return");
    TStringNode text("ab");
    EXPECT_EQ(message([&] { text.GetWordInfo(0); }),
              "ENodeError: TStringNode.GetWordInfo: Index out of bounds");
    StrangeArea strange;
    EXPECT_EQ(message([&] { strange.GetNodeType(); }), "ENodeError: TNode.GetNodeType: Unknown class");
}

TEST(LinkNodes, AreasFindTheirTextAndTheirDeepestNodeAtAPoint) {
    TDefaultParser parser;
    const auto tree = parser.Parse(QString("x<B>a<link>b<I>c</I></link></B><link>d</link>"));
    TRootNode& root = tree->Root();
    EXPECT_EQ(root.Text(), "xabcd");
    auto* bold = static_cast<TAreaNode*>(root.FindFirst(TNodeType::Style));
    auto* first = static_cast<TLinkNode*>(root.FindFirst(TNodeType::Link));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Text(), "bc");
    // The italic run of the first link sits at 10..20 x 0..5, edges included.
    auto* italic = static_cast<TAreaNode*>(first->FindFirst(TNodeType::Style));
    static_cast<TStringNode&>(*italic->Children()[0]).AddRect({10, 0, 20, 5});
    EXPECT_EQ(root.NodeAtPoint({20, 5}, TNodeType::Link), first);
    EXPECT_EQ(root.NodeAtPoint({20, 5}, TNodeType::Style), italic) << "the deepest style node";
    EXPECT_NE(root.NodeAtPoint({20, 5}, TNodeType::Style), bold);
    EXPECT_EQ(root.NodeAtPoint({21, 5}, TNodeType::Link), nullptr);
    EXPECT_TRUE(root.ClassPointIn({10, 0}, TNodeType::Link));
    root.CacheLinkRects();
    ASSERT_EQ(root.CachedLinkRects().size(), 1u);
    EXPECT_EQ(root.LinkAtPoint({15, 3}), first);
    TTopLevelNodeEnumerator links(root, TNodeType::Link);
    int count = 0;
    while (links.HasMoreNodes()) {
        EXPECT_EQ(static_cast<TLinkNode&>(links.NextNode()).number, count++);
    }
    EXPECT_EQ(count, 2);
}

} // namespace
} // namespace quarn
