#include "views/drag_smile.h"

#include <gtest/gtest.h>

#include <vector>

#include "pictures/base_object.h"
#include "views/drag_dispatcher_base.h"

namespace faceloom {
namespace {

// Records what the drag instance asks of its dispatcher.
class TRecordingDispatcher : public TDragDispatcherBase {
public:
    void StartDrag(TDragSmile*) override { calls.push_back("start"); }
    void MoveTo(QPoint) override { calls.push_back("move"); }
    void EndDrag(TDragSmile*) override { calls.push_back("end"); }
    void RequestRenderOfSmile() override { calls.push_back("request"); }
    void RenderSmile(TDragSmile* smile) override {
        calls.push_back("render");
        rendered = smile;
    }
    std::vector<const char*> calls;
    TDragSmile* rendered = nullptr;
};

TEST(DragSmile, FrameChangeRequestsARenderAndRenderDrawsThroughTheDispatcher) {
    TRecordingDispatcher dispatcher;
    TRef<TDragSmile> smile(new TDragSmile(&dispatcher));
    smile->FrameChanged();
    smile->Render();
    ASSERT_EQ(dispatcher.calls.size(), 2u);
    EXPECT_STREQ(dispatcher.calls[0], "request");
    EXPECT_STREQ(dispatcher.calls[1], "render");
    EXPECT_EQ(dispatcher.rendered, smile.get());
}

}  // namespace
}  // namespace faceloom
