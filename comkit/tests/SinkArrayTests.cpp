#include <gtest/gtest.h>

#include "ConnectionPoint.h"

namespace {
struct Counted : IUnknown {
    LONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
};
} // namespace

TEST(SinkArray, ClearReleasesEverySinkOnce)
{
    Counted a, b;
    {
        SinkArray sinks;
        a.AddRef();
        b.AddRef();
        sinks.Add(&a);
        sinks.Add(&b);
        EXPECT_FALSE(sinks.Remove(0));
        EXPECT_TRUE(sinks.Remove(2));
        EXPECT_FALSE(sinks.Remove(2));
    }
    EXPECT_EQ(1, a.refs);
    EXPECT_EQ(1, b.refs);
}
