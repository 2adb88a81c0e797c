#include "app/USavePlan.h"

#include "support/Pathutil.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

const QStringList FormatExtensions[] = {
    {QStringLiteral(".bmp")},
    {QStringLiteral(".jpg"), QStringLiteral(".jpeg")},
    {QStringLiteral(".png")},
};

qsizetype FileNameStart(const QString& fileName)
{
    return fileName.lastIndexOf(Pathutil::PathDelimiter) + 1;
}

// The names a path is known by: its folder resolved (links, "..") plus its
// name, and for an existing file the file resolved as well.
QSet<QString> PathKeys(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    const QString folderKey = folder.exists() ? folder.canonicalFilePath() : QDir::cleanPath(folder.absoluteFilePath());
    QSet<QString> keys{Pathutil::CombinePath(folderKey, file.fileName())};
    if (file.exists())
        keys.insert(file.canonicalFilePath());
    return keys;
}

} // namespace

QString SaveTimestamp(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyyMMddHHmmss_"));
}

QString ProposedSeriesName(const QString& previousName, const QDateTime& now)
{
    const QString folder = previousName.left(FileNameStart(previousName));
    return Pathutil::AppendPathDelimiter(folder) + SaveTimestamp(now);
}

QString FileNameExtension(const QString& fileName)
{
    const qsizetype start = FileNameStart(fileName);
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= start || dot == fileName.size() - 1)
        return {};
    return fileName.mid(dot);
}

TSaveFormat SaveFormatFor(const QString& fileName, int filterIndex)
{
    const QString extension = FileNameExtension(fileName).toLower();
    for (int format = 0; format < 3; ++format)
        if (FormatExtensions[format].contains(extension))
            return static_cast<TSaveFormat>(format);
    switch (filterIndex) {
    case 2: return TSaveFormat::Jpeg;
    case 3: return TSaveFormat::Png;
    default: return TSaveFormat::Bmp;
    }
}

QString FormatExtension(TSaveFormat format)
{
    return FormatExtensions[static_cast<int>(format)].constFirst();
}

TSavePlan::TSavePlan(const QString& chosenName, int filterIndex, const QList<int>& scenes)
    : format(SaveFormatFor(chosenName, filterIndex))
{
    const QString extension = FileNameExtension(chosenName);
    if (scenes.size() == 1) {
        targets.append({scenes.constFirst(), extension.isEmpty() ? chosenName + FormatExtension(format) : chosenName});
        return;
    }
    const QString base = chosenName.chopped(extension.size());
    for (int scene : scenes)
        targets.append({scene, base + QStringLiteral("%1").arg(scene + 1, 3, 10, QChar(u'0')) + FormatExtension(format)});
}

int TSavePlan::ExistingCount(const QString& confirmed) const
{
    int count = 0;
    for (const TSaveTarget& target : targets)
        if (target.FileName != confirmed && QFileInfo::exists(target.FileName))
            ++count;
    return count;
}

QString TSavePlan::FirstProtected(const QStringList& files) const
{
    QSet<QString> guarded;
    for (const QString& file : files)
        guarded.unite(PathKeys(file));
    for (const TSaveTarget& target : targets)
        if (PathKeys(target.FileName).intersects(guarded))
            return target.FileName;
    return {};
}

ESaveError::ESaveError(const QString& fileName, const QString& reason)
    : std::runtime_error(QStringLiteral("Cannot save %1: %2").arg(fileName, reason).toStdString()), fileName(fileName)
{
}

TImageTexts ProvenanceTexts(const QString& program, const QString& movie, int position, const QString& correction)
{
    TImageTexts texts{{QStringLiteral("Software"), program}};
    if (position >= 0 && !movie.isEmpty()) {
        texts.append({QStringLiteral("Movie"), movie});
        texts.append({QStringLiteral("Position"), QString::number(position)});
        if (!correction.isEmpty())
            texts.append({QStringLiteral("Correction"), correction});
    }
    return texts;
}

void WritePicture(const TScenePicture& picture, const QString& fileName, TSaveFormat format)
{
    switch (format) {
    case TSaveFormat::Jpeg: WriteJpegFile(picture.Image, fileName, 90, picture.Texts); return;
    case TSaveFormat::Png: WritePngFile(picture.Image, fileName, picture.Texts); return;
    case TSaveFormat::Bmp: WriteBmpFile(picture.Image, fileName); return;
    }
}

void WriteSavePlan(const TSavePlan& plan, const std::function<TScenePicture(int scene)>& pictureOf)
{
    for (const TSaveTarget& target : plan.Targets()) {
        const TScenePicture picture = pictureOf(target.Scene);
        // Writing the error picture would pass a failure off as a saved scene.
        if (picture.Image.isNull())
            throw ESaveError(target.FileName, QStringLiteral("the scene's picture is not available"));
        try {
            WritePicture(picture, target.FileName, plan.Format());
        } catch (const EImageWriteError& error) {
            throw ESaveError(target.FileName, QString::fromUtf8(error.what()));
        }
    }
}
