#include "newsgate/taglist.h"

#include <gtest/gtest.h>

namespace newsgate {
namespace {

TEST(TaggedListTest, GrowsByItsStepAndChecksBounds) {
  TTaggedList list;
  EXPECT_EQ(list.Capacity(), 1000);
  EXPECT_EQ(list.GrowthStep(), 100);
  int items[1001];
  for (int i = 0; i < 1001; ++i) EXPECT_EQ(list.Add(0, &items[i]), i);
  EXPECT_EQ(list.Capacity(), 1100);
  EXPECT_EQ(list.Get(1000), &items[1000]);
  list.Set(0, &items[5]);
  EXPECT_EQ(list.Get(0), &items[5]);

  for (int bad : {-1, 1001}) {
    try {
      list.Get(bad);
      ADD_FAILURE();
    } catch (const ETaggedListError& e) {
      EXPECT_STREQ(e.what(), "Get:Out of bounds");
    }
    try {
      list.Set(bad, nullptr);
      ADD_FAILURE();
    } catch (const ETaggedListError& e) {
      EXPECT_STREQ(e.what(), "Set:Out of bounds");
    }
  }
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 1000);
}

TEST(TaggedListTest, CapacityAndStepSettings) {
  TTaggedList list;
  int item;
  for (int i = 0; i < 5; ++i) list.Add(i, &item);
  list.SetCapacity(0);
  list.SetGrowthStep(0);
  EXPECT_EQ(list.Capacity(), 1000);
  EXPECT_EQ(list.GrowthStep(), 100);
  list.SetCapacity(3);  // below the count: cut
  EXPECT_EQ(list.Count(), 3);
  list.SetGrowthStep(2);
  list.Add(0, &item);
  list.Add(0, &item);
  EXPECT_EQ(list.Capacity(), 5);
  EXPECT_EQ(list.Count(), 5);
}

}  // namespace
}  // namespace newsgate
