// TPMultiImage: what the component forwards to its annotation layer.
#include "TMultiP.h"

#include "Annotation.h"

#include <QDir>
#include <QFileInfo>

namespace imaging {

void TPMultiImage::setEditAnnotat(bool edit)
{
    const bool wasEditing = editAnnotat_;
    editAnnotat_ = edit;
    if (wasEditing && !edit && annotations_)
        annotations_->rubberBandOff();
}

void TPMultiImage::AnnotationMenu(int command)
{
    if (editAnnotat_ && annotations_)
        annotations_->menu(command);
}

QString TPMultiImage::AnnotationFile() const
{
    if (!AnnoFileName.isEmpty())
        return AnnoFileName;
    if (imageName_.isEmpty())
        return QStringLiteral("default.ant");
    // the picture's name up to its first point, in the picture's folder
    const QFileInfo picture(imageName_);
    return QDir(picture.path()).filePath(picture.fileName().section(QLatin1Char('.'), 0, 0) + QStringLiteral(".ant"));
}

void TPMultiImage::annotationMouse(int message, QPoint point)
{
    const int hit = annotations_->mouse(message, point);
    const bool press = message == 513 || message == 516;
    if (press && hit >= 0 && OnAnnoClick)
        OnAnnoClick(this, hit);
}

} // namespace imaging
