#include "picture/TPictureEx.h"

#include "picture/EInvalidGraphic.h"
#include "picture/TChangeNotify.h"
#include "picture/TGraphicFormats.h"
#include "picture/TJpegGraphic.h"
#include "picture/TSafetyBitmap.h"

#include <QFileInfo>

#include <typeinfo>

TPictureEx::TPictureEx(QObject* parent) : QObject(parent), notifier(std::make_unique<TChangeNotify>(this))
{
}

TPictureEx::~TPictureEx()
{
    if (graphic)
        graphic->OnChange = nullptr;
    notifier.reset();
}

void TPictureEx::TakeGraphic(std::unique_ptr<TGraphic> newGraphic, bool notify)
{
    if (graphic)
        graphic->OnChange = nullptr;
    graphic = std::move(newGraphic);
    if (graphic)
        graphic->OnChange = [this](TGraphic*) { Changed(); };
    if (notify)
        Changed();
}

void TPictureEx::SetGraphic(const TGraphic* source)
{
    if (source == graphic.get() && source)
        return;
    TakeGraphic(source ? source->Clone() : nullptr, true);
}

int TPictureEx::Width() const
{
    return graphic ? graphic->Width() : 0;
}

int TPictureEx::Height() const
{
    return graphic ? graphic->Height() : 0;
}

bool TPictureEx::Empty() const
{
    return !graphic || graphic->Empty();
}

TSafetyBitmap& TPictureEx::Bitmap()
{
    if (!dynamic_cast<TSafetyBitmap*>(graphic.get()))
        TakeGraphic(std::make_unique<TSafetyBitmap>(), true);
    return static_cast<TSafetyBitmap&>(*graphic);
}

void TPictureEx::Assign(const TPictureEx& source)
{
    if (&source == this)
        return;
    const TGraphic* theirs = source.graphic.get();
    if (!graphic && !theirs)
        return;
    const bool sameClass = graphic && theirs && typeid(*graphic) == typeid(*theirs);
    if (sameClass && !dynamic_cast<const TJpegGraphic*>(theirs))
        graphic->Assign(*theirs);   // listeners of our graphic object stay attached
    else
        SetGraphic(theirs);
}

qint64 TPictureEx::ByteSize() const
{
    return graphic ? graphic->ByteSize() : 0;
}

void TPictureEx::LoadFromFile(const QString& path)
{
    std::unique_ptr<TGraphic> loaded = TGraphicFormats::CreateForFile(path);
    if (!loaded)
        throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.%1)").arg(QFileInfo(path).suffix()));
    loaded->LoadFromFile(path);
    TakeGraphic(std::move(loaded), true);
}

void TPictureEx::SaveToFile(const QString& path) const
{
    if (graphic)
        graphic->SaveToFile(path);
}

void TPictureEx::Draw(QPainter& canvas, const QRect& rect) const
{
    if (graphic)
        graphic->Draw(canvas, rect);
}

void TPictureEx::BeginUpdate()
{
    notifier->BeginUpdate();
}

void TPictureEx::EndUpdate()
{
    notifier->EndUpdate();
}

void TPictureEx::Changed()
{
    if (changing)
        return;
    changing = true;
    struct Reset
    {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{changing};
    if (OnChange)
        OnChange(this);
    notifier->Changed();
}

void* TPictureEx::QueryInterface(const QUuid& iid)
{
    if (iid == IBroadcaster::IID)
        return static_cast<IBroadcaster*>(notifier.get());
    if (iid == IInterface::IID)
        return static_cast<IInterface*>(this);
    return nullptr;
}

TSafetyBitmap& EnsureSafetyBitmap(TPictureEx& picture)
{
    if (!dynamic_cast<TSafetyBitmap*>(picture.graphic.get()))
        picture.TakeGraphic(std::make_unique<TSafetyBitmap>(), false);
    return static_cast<TSafetyBitmap&>(*picture.graphic);
}
