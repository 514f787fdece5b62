// The second process of the window tests: one window of class "PeerClass" that answers
// sends (m5 with its lParam less one), echoes posts back to the sender's window and ends
// on WM_CLOSE.
#include "platform/window.h"

namespace {

LRESULT peerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return 0;
        case WM_USER + 1:
            return (LRESULT)wParam * 2;
        case WM_USER + 2:
            // a send back into the process whose thread waits for this answer
            return SendMessageW((HWND)wParam, WM_USER + 4, wParam, 0) + 1000;
        case WM_USER + 3:
            PostMessageW((HWND)wParam, WM_USER + (UINT)lParam, (WPARAM)lParam, 0);
            return 0;
        case WM_USER + 5:
            return lParam - 1;
        case WM_COPYDATA: {
            const COPYDATASTRUCT* cds = (const COPYDATASTRUCT*)lParam;
            const char* text = (const char*)cds->lpData;
            bool same = cds->cbData == 14 && text[13] == 0 && text[0] == 'c' && text[12] == 's';
            return same ? (LRESULT)(cds->dwData * 1000 + cds->cbData) : -1;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = peerProc;
    wc.lpszClassName = L"PeerClass";
    if (!RegisterClassW(&wc)) return 2;
    if (CreateWindowExW(0, L"PeerClass", L"Peer", 0, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr) == 0) return 3;
    MSG msg;
    while (GetMessageW(&msg, 0, 0, 0) > 0) DispatchMessageW(&msg);
    return (int)msg.wParam;
}
