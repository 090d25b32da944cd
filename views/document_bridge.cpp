#include "views/document_bridge.h"

namespace kore {

DocumentBridge::DocumentBridge(CMMLDocument* document, QObject* parent) : QObject(parent) {
  SetDocument(document);
}

DocumentBridge::~DocumentBridge() { SetDocument(nullptr); }

void DocumentBridge::SetDocument(CMMLDocument* document) {
  if (document == document_) return;
  if (document_) document_->RemoveObserver(this);
  document_ = document;
  if (document_) document_->AddObserver(this);
}

}  // namespace kore
