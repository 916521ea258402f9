#include <gtest/gtest.h>

#include <cerrno>

#include "EInOutError.h"
#include "EOutOfMemory.h"
#include "Event.h"
#include "SystemErrorText.h"

TEST(ExceptionTree, ClassNamesAndMessagesSurviveCatchingByBase) {
    try {
        throw EInOutError("Unable to create directory", 13);
    } catch (const Exception& e) {
        EXPECT_STREQ(e.ClassName(), "EInOutError");
        EXPECT_EQ(e.Message(), "Unable to create directory");
        EXPECT_STREQ(e.what(), "Unable to create directory");
        EXPECT_EQ(dynamic_cast<const EInOutError&>(e).ErrorCode(), 13);
    }
    EOutOfMemory oom;
    EXPECT_STREQ(static_cast<const Exception&>(oom).ClassName(), "EOutOfMemory");
}

TEST(SystemErrorText, GivesTheSystemsOwnText) {
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
    EXPECT_EQ(SystemErrorText(EACCES), "Permission denied");
    EXPECT_FALSE(SystemErrorText(987654).empty());
}

namespace {
struct Listener {
    int calls = 0;
    int last = 0;
    void OnValue(int v) { ++calls, last = v; }
    void OnOther(int v) { last = -v; }
};
}  // namespace

TEST(Event, CallsComparesAndCopiesByObjectAndRoutine) {
    Listener a, b;
    Event<int> none;
    EXPECT_FALSE(none.Assigned());
    none(5);  // an unassigned event does nothing

    Event<int> e(&a, &Listener::OnValue);
    e(7);
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(a.last, 7);

    Event<int> copy = e;
    EXPECT_TRUE(copy == e);
    EXPECT_FALSE(e == Event<int>(&b, &Listener::OnValue));
    EXPECT_FALSE(e == Event<int>(&a, &Listener::OnOther));
    EXPECT_TRUE(e == Event<int>(&a, &Listener::OnValue));
    EXPECT_FALSE(e == none);
    EXPECT_TRUE(none == Event<int>());

    int seen = 0;
    Event<int> lambda([&seen](int v) { seen = v; });
    Event<int> lambdaCopy = lambda;
    lambdaCopy(3);
    EXPECT_EQ(seen, 3);
    EXPECT_TRUE(lambda == lambdaCopy);
    EXPECT_FALSE(lambda == Event<int>([&seen](int v) { seen = v; }));
}
