#pragma once
// The framework's view: a widget that draws its document and takes commands first.

#include "shell/framework.h"

#include <QWidget>

class CDocument;

class CView : public QWidget, public CCmdTarget {
public:
    explicit CView(QWidget* parent = nullptr) : QWidget(parent) {}
    CDocument* GetDocument() const { return m_pDocument; }
    // Shows `doc` and draws again whenever it changes.
    void SetDocument(CDocument* doc);

    // The document changed: repaint everything.
    virtual void OnUpdate() { update(); }

protected:
    CDocument* m_pDocument = nullptr;
};
