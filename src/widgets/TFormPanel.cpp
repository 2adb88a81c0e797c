#include "widgets/TFormPanel.h"

#include <QMetaMethod>
#include <QVBoxLayout>

TFormPanel::TFormPanel(QWidget* parent)
    : QFrame(parent)
    , alignment(this)
    , formLayout(new QVBoxLayout(this))
{
    setFrameShape(QFrame::NoFrame);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->setSpacing(0);
}

TFormPanel::~TFormPanel()
{
    // Release the form before the panel's children are destroyed, so that a
    // form owned elsewhere survives the panel.
    SetForm(nullptr);
}

void TFormPanel::SetForm(QWidget* newForm)
{
    if (newForm == form)
        return;
    ReleaseForm();
    form = newForm;
    if (!form)
        return;
    formOwner = form->parentWidget();
    ownsForm = formOwner == nullptr;
    if (trapHelp)
        LendHelpContext();
    form->setParent(this, Qt::Widget); // docked: no border, no window of its own
    form->move(0, 0);
    form->resize(contentsRect().size());
    formLayout->addWidget(form);
    form->show();
    const int activate = form->metaObject()->indexOfMethod("FormActivate()");
    if (activate >= 0)
        form->metaObject()->method(activate).invoke(form, Qt::DirectConnection);
}

void TFormPanel::ReleaseForm()
{
    if (!form)
        return;
    QWidget* old = form;
    form = nullptr;
    old->hide();
    formLayout->removeWidget(old);
    if (lentHelpContext)
        TakeBackHelpContext();
    if (ownsForm) {
        // A form that had no owner of its own was owned by the panel.
        old->setParent(nullptr);
        old->close();
        delete old;
    } else {
        old->setParent(formOwner, old->windowFlags() & ~Qt::WindowType_Mask);
        old->close();
    }
}

void TFormPanel::LendHelpContext()
{
    QWidget* parentForm = window();
    if (!form || parentForm == this)
        return;
    const int hosted = form->property(HelpContextProperty).toInt();
    if (hosted != 0 && parentForm->property(HelpContextProperty).toInt() == 0) {
        parentForm->setProperty(HelpContextProperty, hosted);
        lentHelpContext = true;
    }
}

void TFormPanel::TakeBackHelpContext()
{
    window()->setProperty(HelpContextProperty, QVariant());
    lentHelpContext = false;
}

void TFormPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    alignment.Realign();
}
