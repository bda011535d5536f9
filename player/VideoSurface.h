#pragma once

#include <QOpenGLWidget>
#include <QPointer>

#include <functional>

struct mpv_render_context;

namespace kelvane {

class MpvSession;

// The picture of a player: libmpv's OpenGL render API drawing into a QOpenGLWidget. The render
// context can only exist once the widget has a GL context, that is once it has been shown.
class VideoSurface : public QOpenGLWidget
{
    Q_OBJECT
public:
    VideoSurface(MpvSession* session, QWidget* parent);
    ~VideoSurface() override;

    bool hasRenderContext() const { return m_render != nullptr; }
    // Frees the render context; runs by itself before the core is terminated.
    void release();

Q_SIGNALS:
    // The render context exists: video may be switched on.
    void ready();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    static void* procAddress(void* ctx, const char* name);

    // Forgotten when the core ends: a late initializeGL must find no core, not a freed one.
    QPointer<MpvSession> m_session;
    mpv_render_context* m_render = nullptr;
    QMetaObject::Connection m_contextGone;
};

} // namespace kelvane
