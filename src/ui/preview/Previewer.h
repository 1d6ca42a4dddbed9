#pragma once

#include "ui/main/MainLayout.h"

#include <QImage>
#include <QWidget>

class QPushButton;

namespace zentaro {

class MediaBox;
class PictureBox;

// The Preview page's contents: the picture area, the media player, the
// auto-size and full-screen buttons and the "Unable to Preview" label. It
// shows a file already on disk; extracting it is the caller's.
class Previewer : public QWidget
{
    Q_OBJECT

public:
    static inline const QString kAutoSizeCaption = QStringLiteral("AutoSize");
    static inline const QString kOriginalSizeCaption = QStringLiteral("Original Size");

    explicit Previewer(QWidget* page);

    // Hides every preview control and unloads the player.
    void clear();
    // Draws the picture at path, fitted unless the toggle reads "AutoSize".
    // False when it could not be read; the "Unable to Preview" label shows
    // instead.
    bool PreviewImage(const QString& path);
    // Loads path into the player; video shows the full-screen button.
    void PreviewMedia(const QString& path, bool video);
    void showNonOle();
    // Whether the file at path is a picture the platform can decode.
    static bool canDecode(const QString& path);

    // The class the player is sized for ("Audio": 1200 twips high).
    void setFileClass(const QString& fileClass) { m_fileClass = fileClass; }
    const QString& fileClass() const { return m_fileClass; }
    void setAutoStart(bool on) { m_autoStart = on; }
    // The toggle's caption names the mode a click switches to.
    void setFitPictures(bool fit);
    bool fitsPictures() const;

    // Places the controls by the layout (in the tab control's twips; origin
    // is the page's place in the tab control, in twips).
    void place(const MainLayout::PreviewArea& area, double originX, double originY);

    PictureBox* imageBox() const { return m_imageBox; }
    MediaBox* movieBox() const { return m_movieBox; }
    QPushButton* autoSizeToggleButton() const { return m_autoSizeButton; }
    QPushButton* playFullScreenButton() const { return m_fullScreenButton; }
    QPushButton* nonOlePanel() const { return m_nonOlePanel; }
    // PreImageCache: the picture as decoded for drawing.
    const QImage& preImageCache() const { return m_preImageCache; }

Q_SIGNALS:
    void autoSizeClicked();
    void nonOleClicked();

private:
    void mediaLoaded();
    void placeButtons();

    PictureBox* m_imageBox = nullptr;
    MediaBox* m_movieBox = nullptr;
    QPushButton* m_autoSizeButton = nullptr;
    QPushButton* m_fullScreenButton = nullptr;
    QPushButton* m_nonOlePanel = nullptr;
    QImage m_preImageCache;
    QString m_fileClass;
    bool m_autoStart = false;
};

} // namespace zentaro
