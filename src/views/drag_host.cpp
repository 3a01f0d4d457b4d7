#include "views/drag_host.h"

#include "views/drag_disptacher.h"

namespace faceloom {

TDragHost::TDragHost(const THandOver& handOver, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), dispatcher_(std::make_unique<TDragDisptacher>()) {
    setObjectName("DragSmile");
    if (handOver) handOver(dispatcher_.get());
}

TDragHost::~TDragHost() = default;

}  // namespace faceloom
