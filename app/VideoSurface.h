#pragma once

#include <QOpenGLWidget>

#include <functional>

struct mpv_handle;
struct mpv_render_context;

namespace kelvane {

// The picture of a player: libmpv's OpenGL render API drawing into a QOpenGLWidget. The render
// context can only exist once the widget has a GL context, that is once it has been shown.
class VideoSurface : public QOpenGLWidget
{
    Q_OBJECT
public:
    VideoSurface(mpv_handle* mpv, QWidget* parent);
    ~VideoSurface() override;

    bool hasRenderContext() const { return m_render != nullptr; }
    // Frees the render context; must run before the mpv core is destroyed.
    void release();

Q_SIGNALS:
    // The render context exists: video may be switched on.
    void ready();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    static void* procAddress(void* ctx, const char* name);

    mpv_handle* m_mpv;
    mpv_render_context* m_render = nullptr;
    QMetaObject::Connection m_contextGone;
};

} // namespace kelvane
