// Runs before any page script of a document. Evaluates to a function that
// receives the native `report(editable)` hook, which page scripts never see.
(function (report) {
  'use strict';
  const textFieldTypes = new Set(['text', 'search', 'url', 'tel', 'email', 'password', 'number']);
  const listen = window.addEventListener.bind(window);
  const defer = window.setTimeout.bind(window);

  function isEditable(node) {
    if (!node || node.nodeType !== 1) return false;
    if (node.isContentEditable) return true;
    const tag = node.localName;
    if (tag === 'textarea') return true;
    if (tag === 'input' && textFieldTypes.has(node.type)) return true;
    const role = node.getAttribute('role');
    return role !== null && role.toLowerCase() === 'textbox';
  }

  function isFrame(node) {
    return !!node && (node.localName === 'iframe' || node.localName === 'frame');
  }

  // Synthetic events from page scripts are not focus changes.
  listen('focusin', (event) => {
    if (event.isTrusted) report(isEditable(event.target));
  }, true);

  // Focus that leaves for nothing (blur) counts as a non-editable node. When it
  // moves into another frame or window, that document reports it instead.
  listen('focusout', (event) => {
    if (!event.isTrusted || event.relatedTarget) return;
    defer(() => {
      const active = document.activeElement;
      if (document.hasFocus() && !isFrame(active) && !isEditable(active)) report(false);
    }, 0);
  }, true);
})
