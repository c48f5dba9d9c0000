// The history of places: back and forward, visits dropping the forward
// places, the bound on its length, repeated places, clear.
#include <gtest/gtest.h>

#include <optional>

#include "place_history.h"

namespace sorrel {
namespace {

const Place A{10, 0};
const Place B{2000, 1};
const Place C{35, 2};
const Place D{70000, 1};

TEST(PlaceHistory, WalksBackAndForward) {
    PlaceHistory history;
    EXPECT_FALSE(history.canGoBack());
    EXPECT_EQ(history.back(A), std::nullopt);
    history.visit(A);  // A -> B
    history.visit(B);  // B -> C
    EXPECT_TRUE(history.canGoBack());
    EXPECT_FALSE(history.canGoForward());
    EXPECT_EQ(history.back(C), B);
    EXPECT_EQ(history.back(B), A);
    EXPECT_EQ(history.back(A), std::nullopt);
    EXPECT_TRUE(history.canGoForward());
    EXPECT_EQ(history.forward(A), B);
    EXPECT_EQ(history.forward(B), C);
    EXPECT_EQ(history.forward(C), std::nullopt);
    EXPECT_EQ(history.back(C), B);
}

TEST(PlaceHistory, TheUserMayHaveMovedSinceTheJump) {
    PlaceHistory history;
    history.visit(A);  // A -> B, then the user moves on to D
    EXPECT_EQ(history.back(D), A);
    EXPECT_EQ(history.forward(A), D);
}

TEST(PlaceHistory, AVisitDropsTheForwardPlaces) {
    PlaceHistory history;
    history.visit(A);
    history.visit(B);
    EXPECT_EQ(history.back(C), B);
    history.visit(B);  // B -> D
    EXPECT_FALSE(history.canGoForward());
    EXPECT_EQ(history.back(D), B);
    EXPECT_EQ(history.back(B), A);
}

TEST(PlaceHistory, KeepsAtMostItsLength) {
    PlaceHistory history(3);
    for (std::uint64_t row = 0; row < 10; ++row) {
        history.visit({row, 0});
    }
    EXPECT_EQ(history.back({10, 0}), (Place{9, 0}));
    EXPECT_EQ(history.back({9, 0}), (Place{8, 0}));
    EXPECT_EQ(history.back({8, 0}), (Place{7, 0}));
    EXPECT_EQ(history.back({7, 0}), std::nullopt);
    EXPECT_EQ(history.forward({7, 0}), (Place{8, 0}));
}

TEST(PlaceHistory, RepeatedPlacesAreKeptOnceAndTheCurrentOneIsPassedOver) {
    PlaceHistory history;
    history.visit(A);
    history.visit(A);
    history.visit(B);
    history.visit(B);
    EXPECT_EQ(history.back(B), A);  // B is where the user is
    EXPECT_EQ(history.back(A), std::nullopt);
    // The column is part of the place.
    history.visit({10, 1});
    EXPECT_EQ(history.back(A), (Place{10, 1}));
}

TEST(PlaceHistory, ClearForgetsBothWays) {
    PlaceHistory history;
    history.visit(A);
    history.visit(B);
    EXPECT_EQ(history.back(C), B);
    history.clear();
    EXPECT_FALSE(history.canGoBack());
    EXPECT_FALSE(history.canGoForward());
    EXPECT_EQ(history.back(C), std::nullopt);
    EXPECT_EQ(history.forward(C), std::nullopt);
}

}  // namespace
}  // namespace sorrel
