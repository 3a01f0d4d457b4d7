#pragma once

#include <QWidget>
#include <functional>
#include <memory>

namespace faceloom {

class TDragDispatcherBase;
class TDragDisptacher;

// The window "DragSmile": borderless and never shown, it owns the one drag dispatcher of the
// run and hands it to the main window's grid when it is created. It lives as long as the
// application; the grid it hands the dispatcher to must go first (or be handed none).
class TDragHost : public QWidget {
    Q_OBJECT

public:
    using THandOver = std::function<void(TDragDispatcherBase* Dispatcher)>;

    // handOver receives the dispatcher once, now (the grid's DragDispatcher setter).
    explicit TDragHost(const THandOver& handOver = {}, QWidget* parent = nullptr);
    ~TDragHost() override;

    TDragDisptacher* Dispatcher() const { return dispatcher_.get(); }

private:
    std::unique_ptr<TDragDisptacher> dispatcher_;
};

}  // namespace faceloom
