#include "controls/LinkTextHandler.h"

#include <algorithm>

namespace quarn {

namespace {

const QString kSpace = QStringLiteral(" ");

QString FirstWord(const QString& text) {
    const qsizetype space = text.indexOf(u' ');
    return space < 0 ? text : text.left(space + 1);
}

} // namespace

QString TWordEnumerator::GetNext() {
    if (!HasNext()) {
        throw ETextHandlerError("TWordEnumerator.GetNext: No more words to return");
    }
    const qsizetype space = text_.indexOf(u' ', position_);
    const qsizetype end = space < 0 ? text_.size() : space + 1;
    QString word = text_.mid(position_, end - position_);
    position_ = end;
    return word;
}

TTextHandler::TTextHandler(TLinkCanvas& canvas, const TLinkRect& rect, QPoint pen)
    : canvas_(canvas), rect_(rect), x_(pen.x()), y_(pen.y()) {
    canvas_.SetFont(0, 0);
    lineHeight_ = canvas_.TextHeight(QStringLiteral("fg"));
}

void TTextHandler::AddStringNode(TStringNode& node, TFontStyles styles, std::uint32_t color) {
    if (node.text.startsWith(u' ')) {
        EmptyBuffer();
    }
    buffer_.emplace_back(StringElement{&node, styles, color});
    if (node.text.endsWith(u' ')) {
        EmptyBuffer();
    }
}

void TTextHandler::WatchStartPosition(TAreaNode& area) {
    const TNode* first = IsBufferEmpty() ? nullptr : area.FindFirst(TNodeType::String);
    if (first == nullptr) {
        area.startPosition = QPoint(x_, y_);
        return;
    }
    observers_.push_back({&area, static_cast<const TStringNode*>(first)});
}

void TTextHandler::EmptyBuffer() {
    for (std::size_t index = 0; index < buffer_.size(); ++index) {
        if (const auto* action = std::get_if<TAction>(&buffer_[index])) {
            x_ = rect_.left;
            y_ += *action == TAction::ParagraphBreak ? 2 * lineHeight_ : lineHeight_;
            continue;
        }
        Measure(index);
        LayOut(index);
    }
    buffer_.clear();
}

void TTextHandler::Measure(std::size_t index) {
    const StringElement& element = std::get<StringElement>(buffer_[index]);
    TStringNode& node = *element.node;
    if (node.WordInfoCount() > 0 || node.text.isEmpty()) {
        return;
    }
    canvas_.SetFont(element.styles, element.color);
    const int spaceWidth = canvas_.TextWidth(kSpace);
    const bool continuesPrevious = index > 0 && std::holds_alternative<StringElement>(buffer_[index - 1]);
    std::vector<TWordInfo> infos;
    TWordEnumerator words(node.text);
    while (words.HasNext()) {
        const QString word = words.GetNext();
        TWordInfo info;
        info.endsWithSpace = word.endsWith(u' ');
        info.spaceWidth = spaceWidth;
        info.width = canvas_.TextWidth(word);
        info.continues = infos.empty() && continuesPrevious;
        info.wrapWidth = info.continues ? 0 : info.width;
        infos.push_back(info);
    }
    // The last word goes on into the following runs up to the first space: it wraps as one word.
    TWordInfo& last = infos.back();
    for (std::size_t next = index + 1; !last.endsWithSpace && next < buffer_.size(); ++next) {
        const auto* following = std::get_if<StringElement>(&buffer_[next]);
        if (following == nullptr) {
            break;
        }
        const QString word = FirstWord(following->node->text);
        canvas_.SetFont(following->styles, following->color);
        last.wrapWidth += canvas_.TextWidth(word);
        if (word.endsWith(u' ')) {
            last.endsWithSpace = true;
            last.spaceWidth = canvas_.TextWidth(kSpace);
        }
    }
    for (const TWordInfo& info : infos) {
        node.AddWordInfo(info);
    }
}

void TTextHandler::LayOut(std::size_t index) {
    StringElement& element = std::get<StringElement>(buffer_[index]);
    TStringNode& node = *element.node;
    std::erase_if(observers_, [&](const Observer& observer) {
        if (observer.firstString != &node) {
            return false;
        }
        observer.area->startPosition = QPoint(x_, y_);
        return true;
    });
    canvas_.SetFont(element.styles, element.color);
    node.ClearRects();
    const QString& text = node.text;
    if (text.isEmpty()) {
        return;
    }
    // Pieces are runs of the node's text: [pieceStart, position) is the current one.
    const int spaceWidth = node.GetWordInfo(0).spaceWidth;
    qsizetype pieceStart = 0;
    qsizetype position = 0;
    int pieceWidth = 0;
    std::size_t wordIndex = 0;
    while (position < text.size()) {
        const qsizetype space = text.indexOf(u' ', position);
        const qsizetype end = space < 0 ? text.size() : space + 1;
        const bool singleSpace = end - position == 1 && space == position;
        const TWordInfo& info = node.GetWordInfo(wordIndex++);
        const int visibleWidth = pieceWidth + info.wrapWidth - (info.endsWithSpace ? info.spaceWidth : 0);
        // A word that begins a line stays on it however long it is: breaking before it would only leave
        // an empty line behind.
        const bool beginsLine = pieceStart == position && x_ == rect_.left;
        if (x_ + visibleWidth >= rect_.right && !singleSpace && !beginsLine && !info.continues) {
            qsizetype trimmedEnd = position;
            while (trimmedEnd > pieceStart && text.at(trimmedEnd - 1) == u' ') {
                --trimmedEnd;
            }
            if (trimmedEnd > pieceStart) {
                const int trailing = static_cast<int>(position - trimmedEnd) * spaceWidth;
                DrawPiece(element, QStringView(text).sliced(pieceStart, trimmedEnd - pieceStart),
                          pieceWidth - trailing);
            }
            x_ = rect_.left;
            y_ += lineHeight_;
            pieceStart = position;
            pieceWidth = 0;
        }
        pieceWidth += info.width;
        position = end;
    }
    if (pieceStart < text.size()) {
        DrawPiece(element, QStringView(text).sliced(pieceStart), pieceWidth);
        x_ += pieceWidth;
    }
}

void TTextHandler::DrawPiece(StringElement& element, QStringView piece, int width) {
    const TLinkRect rect{x_, y_, x_ + width, y_ + lineHeight_};
    element.node->AddRect(rect);
    canvas_.TextOut(x_, y_, piece, rect);
}

} // namespace quarn
