#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ocidl.h"
#include "platform/com_object.h"
#include "platform/connection_point.h"
#include "platform/variant.h"
#include "test_widget.h"

namespace {

using platform::com::ComPtr;
using platform::com::Make;
using platform::com::UniqueVariant;
using widget_test::Widget;

class Sink final : public platform::com::Implements<Sink, IPropertyNotifySink> {
public:
    STDMETHODIMP OnChanged(DISPID dispID) override {
        changed.push_back(dispID);
        if (onChanged) onChanged();
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }
    ULONG References() {
        AddRef();
        return Release();
    }

    std::vector<DISPID> changed;
    std::function<void()> onChanged;
};

// Has no IPropertyNotifySink.
class Stranger final : public platform::com::Implements<Stranger, IUnknown> {};

class ConnectionPointTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ComPtr<ITestWidget>(widget_.Get()).As(&container_), S_OK);
        ASSERT_EQ(container_->FindConnectionPoint(IID_IPropertyNotifySink, point_.GetAddressOf()), S_OK);
    }
    void PutText(const char16_t* text) {
        UniqueVariant value = UniqueVariant::FromString(text);
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{value.Get(), &named, 1, 1};
        ASSERT_EQ(static_cast<ITestWidget*>(widget_.Get())
                      ->Invoke(kDispidText, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr),
                  S_OK);
    }

    ComPtr<Widget> widget_ = Make<Widget>();
    ComPtr<IConnectionPointContainer> container_;
    ComPtr<IConnectionPoint> point_;
};

TEST_F(ConnectionPointTest, AdviseNotifyUnadvise) {
    ComPtr<Sink> first = Make<Sink>();
    ComPtr<Sink> second = Make<Sink>();
    DWORD firstCookie = 0;
    DWORD secondCookie = 0;
    ASSERT_EQ(point_->Advise(static_cast<IPropertyNotifySink*>(first.Get()), &firstCookie), S_OK);
    ASSERT_EQ(point_->Advise(static_cast<IPropertyNotifySink*>(second.Get()), &secondCookie), S_OK);
    EXPECT_NE(firstCookie, 0u);
    EXPECT_NE(firstCookie, secondCookie);

    PutText(u"one");
    ASSERT_EQ(widget_->put_Count(2), S_OK);
    EXPECT_EQ(first->changed, (std::vector<DISPID>{kDispidText, kDispidCount}));
    EXPECT_EQ(second->changed, first->changed);

    ASSERT_EQ(point_->Unadvise(firstCookie), S_OK);
    PutText(u"two");
    EXPECT_EQ(first->changed.size(), 2u);
    EXPECT_EQ(second->changed.size(), 3u);
    EXPECT_EQ(point_->Unadvise(firstCookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point_->Unadvise(0), CONNECT_E_NOCONNECTION);

    // A failing put tells nobody.
    EXPECT_EQ(widget_->put_Count(-1), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(second->changed.size(), 3u);
    SetErrorInfo(0, nullptr);
}

TEST_F(ConnectionPointTest, ASinkWithoutTheInterfaceCannotConnect) {
    ComPtr<Stranger> stranger = Make<Stranger>();
    DWORD cookie = 5;
    EXPECT_EQ(point_->Advise(stranger.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(point_->Advise(nullptr, &cookie), E_POINTER);
}

TEST_F(ConnectionPointTest, ThePointBelongsToItsContainer) {
    IID iid{};
    ASSERT_EQ(point_->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, IID_IPropertyNotifySink);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(point_->GetConnectionPointContainer(container.GetAddressOf()), S_OK);
    EXPECT_EQ(container.Get(), container_.Get());
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(container_->FindConnectionPoint(IID_IDispatch, none.GetAddressOf()), CONNECT_E_NOCONNECTION);
    ComPtr<IEnumConnections> connections;
    EXPECT_EQ(point_->EnumConnections(connections.GetAddressOf()), E_NOTIMPL);
}

// The point counts on its container: holding only the point keeps the object alive, and the
// object lets its sinks go when it ends.
TEST_F(ConnectionPointTest, LifetimeFollowsTheContainer) {
    ComPtr<Sink> sink = Make<Sink>();
    DWORD cookie = 0;
    ASSERT_EQ(point_->Advise(static_cast<IPropertyNotifySink*>(sink.Get()), &cookie), S_OK);
    EXPECT_EQ(sink->References(), 2u);
    Widget* raw = widget_.Get();
    widget_ = nullptr;
    container_ = nullptr;
    ASSERT_EQ(raw->put_Mode(3), S_OK);  // still alive through the point
    EXPECT_EQ(sink->changed, (std::vector<DISPID>{kDispidMode}));
    point_ = nullptr;
    EXPECT_EQ(sink->References(), 1u);
}

TEST_F(ConnectionPointTest, ASinkMayUnadviseWhileBeingNotified) {
    ComPtr<Sink> leaving = Make<Sink>();
    ComPtr<Sink> staying = Make<Sink>();
    DWORD leavingCookie = 0;
    DWORD stayingCookie = 0;
    ASSERT_EQ(point_->Advise(static_cast<IPropertyNotifySink*>(leaving.Get()), &leavingCookie), S_OK);
    ASSERT_EQ(point_->Advise(static_cast<IPropertyNotifySink*>(staying.Get()), &stayingCookie), S_OK);
    leaving->onChanged = [&] { EXPECT_EQ(point_->Unadvise(leavingCookie), S_OK); };
    PutText(u"x");
    PutText(u"y");
    EXPECT_EQ(leaving->changed.size(), 1u);
    EXPECT_EQ(staying->changed.size(), 2u);
}

}  // namespace
