#include "link/CommandTables.h"
#include "pages/params/BasicParamControls.h"
#include "pages/params/BasicParamFields.h"
#include "pages/params/BasicParamLayout.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

TEST(BasicParamTables, ExchangeOrderCoversEveryExchangedFieldOnce)
{
    std::multiset<int> ordered(DataExchangeOrder().begin(), DataExchangeOrder().end());
    for (int id : ordered)
        EXPECT_EQ(ordered.count(id), 1u) << id;
    std::set<int> exchanged;
    for (const ParamField& field : ParamFields()) {
        EXPECT_EQ(FindParamField(field.id), &field) << "one field per control " << field.id;
        if (field.kind != FieldKind::Combo && field.kind != FieldKind::State)
            exchanged.insert(field.id);
        // A radio group is exchanged through its first button.
        if (field.kind == FieldKind::Radio) {
            EXPECT_FALSE(RadioGroupButtons(field.id).empty()) << field.id;
        }
    }
    EXPECT_EQ(std::set<int>(ordered.begin(), ordered.end()), exchanged);
    for (int id : exchanged)
        EXPECT_NE(FindControlSpec(id), nullptr) << id;
}

TEST(BasicParamTables, EveryCommandIsOneTheDriveKnows)
{
    InitCommandTables();
    for (const ParamField& field : ParamFields()) {
        for (const char* mnemonic : { field.query, field.write }) {
            if (!mnemonic)
                continue;
            QString text = QString::fromLatin1(mnemonic);
            CommandId id = -1;
            EXPECT_TRUE(ParseCommandId(text, id, false)) << mnemonic;
        }
    }
    // Every setting the sequences name has its command, and each query finds its way back.
    for (const ParamRef& ref : ReadOrder()) {
        QString query = QueryOf(ref);
        CommandId id = -1;
        EXPECT_TRUE(ParseCommandId(query, id, false)) << query.toStdString();
        const std::optional<ParamRef> found = FindQuery(QueryOf(ref));
        ASSERT_TRUE(found) << query.toStdString();
        EXPECT_EQ(QueryOf(*found), QueryOf(ref));
    }
    for (const WriteStep& step : WriteOrder()) {
        QString write = WriteOf(step.ref);
        CommandId id = -1;
        EXPECT_TRUE(ParseCommandId(write, id, false)) << write.toStdString();
    }
}

TEST(BasicParamTables, LayoutPlacesEveryShownControlOnceWithoutOverlap)
{
    const BasicParamLayout layout = LayOutBasicParam();
    EXPECT_EQ(layout.size.width(), kBasicParamWidthDlu);
    std::map<int, QRect> placed;
    std::vector<QRect> cells;
    std::vector<QRect> frames;
    for (const PlacedItem& item : layout.items) {
        EXPECT_TRUE(QRect(QPoint(0, 0), layout.size).contains(item.rect)) << item.id << " " << item.text.toStdString();
        if (item.kind == PlacedItem::Kind::Frame) {
            frames.push_back(item.rect);
            continue;
        }
        if (item.kind == PlacedItem::Kind::Control) {
            EXPECT_TRUE(placed.emplace(item.id, item.rect).second) << "placed twice: " << item.id;
            const ControlSpec* spec = FindControlSpec(item.id);
            ASSERT_NE(spec, nullptr) << item.id;
            EXPECT_NE(spec->start, ControlStart::Hidden) << item.id;
        }
        // Every control and caption lies inside the innermost frame around it.
        EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [&](const QRect& f) { return f.contains(item.rect); })
            || item.rect.top() < 20)
            << item.id << " " << item.text.toStdString();
        // Only an output combo shares the place of the input combo it stands in for.
        if (std::find(cells.begin(), cells.end(), item.rect) == cells.end()) {
            for (const QRect& other : cells)
                EXPECT_FALSE(other.intersects(item.rect)) << item.id << " " << item.text.toStdString();
            cells.push_back(item.rect);
        }
    }
    for (const ControlSpec& spec : BasicParamControls())
        EXPECT_EQ(placed.count(spec.id), spec.start == ControlStart::Hidden ? 0u : 1u) << spec.id;
}
