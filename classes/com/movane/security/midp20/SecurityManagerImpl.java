package com.movane.security.midp20;

import com.movane.security.DefaultPermission;
import com.movane.security.PermissionFactory;
import com.movane.security.SecurityManager;
import com.movane.security.UserPrompt;

/**
 * The MIDP 2.0 policy: a permission is granted by its domain outright, by a blanket
 * setting the user chose, by the user's "yes" for this run (session mode), or at each use
 * by the user's answer (oneshot); "no" denies. A signed suite gets only the permissions
 * its descriptor names.
 */
public final class SecurityManagerImpl extends SecurityManager {
    private DeclaredPermissions declared;
    /** Per permission index: the user's answer for this run in session mode (1 yes, -1 no, 0 none). */
    private int[] sessionAnswers;

    private synchronized DeclaredPermissions declared() {
        if (declared == null) {
            declared = new DeclaredPermissions();
        }
        return declared;
    }

    private synchronized int sessionAnswer(int index, int set) {
        if (sessionAnswers == null || sessionAnswers.length <= index) {
            int[] grown = new int[index + 1];
            if (sessionAnswers != null) {
                System.arraycopy(sessionAnswers, 0, grown, 0, sessionAnswers.length);
            }
            sessionAnswers = grown;
        }
        if (set != 0) {
            sessionAnswers[index] = set;
        }
        return sessionAnswers[index];
    }

    public int checkPermissionStatus(String permission) {
        if (permission == null) {
            throw new NullPointerException();
        }
        DefaultPermission p = PermissionFactory.find(permission);
        if (p == null || !declared().isDeclared(permission)) {
            return DENIED;
        }
        return statusOf(p);
    }

    private int statusOf(DefaultPermission p) {
        int state = p.getState();
        if ((state & DefaultPermission.ALLOWED) != 0) {
            return GRANTED;
        }
        int mode = state & DefaultPermission.MODE_MASK;
        if (mode == DefaultPermission.MODE_NO) {
            return DENIED;
        }
        if (mode == DefaultPermission.MODE_BLANKET && (state & DefaultPermission.USER_SET) != 0) {
            return GRANTED;
        }
        // the user's answer for this run holds whatever mode the domain starts with
        int answer = sessionAnswer(p.getIndex(), 0);
        return answer > 0 ? GRANTED : answer < 0 ? DENIED : UNKNOWN;
    }

    public void checkPermission(String permission, String target) {
        int status = checkPermissionStatus(permission);
        if (status == GRANTED) {
            return;
        }
        if (status == DENIED) {
            throw new SecurityException(permission);
        }
        DefaultPermission p = PermissionFactory.find(permission);
        String suite = nativeGetAppProperty("MIDlet-Name");
        String args = "\u0000" + (suite != null ? suite : "") + "\u0000" + (target != null ? target : "");
        int answer = UserPrompt.ask(p, p.getTitle(), p.getMessage(args), p.getInteractionModes());
        if (!grants(p, answer)) {
            throw new SecurityException(permission);
        }
    }

    /** Takes the user's answer into the states; true when it grants this use. */
    private boolean grants(DefaultPermission p, int answer) {
        switch (answer) {
            case UserPrompt.ANSWER_BLANKET:
                setMode(p, DefaultPermission.MODE_BLANKET);
                return true;
            case UserPrompt.ANSWER_SESSION:
                sessionAnswer(p.getIndex(), 1);
                return true;
            case UserPrompt.ANSWER_SESSION_NO:
                sessionAnswer(p.getIndex(), -1);
                return false;
            case UserPrompt.ANSWER_ONESHOT:
                return true;
            case UserPrompt.ANSWER_NEVER:
                setMode(p, DefaultPermission.MODE_NO);
                return false;
            default:
                return false;
        }
    }

    /**
     * A new mode for good. A setting that may not hold beside another one is refused (the
     * user's "yes" still grants this use) or settled by the user's choice; the store
     * keeps the states, and a failed store throws SecurityException with the states as
     * they were.
     */
    private void setMode(DefaultPermission p, int mode) {
        int result = p.setState(mode | DefaultPermission.USER_SET);
        if (result == DefaultPermission.CHOICE_NEEDED) {
            String[] choices = DefaultPermission.getExclusiveChoices();
            int choice = UserPrompt.chooseExclusive(DefaultPermission.getAlertTitle(),
                    DefaultPermission.getAlertMessage(), choices[0], choices[1]);
            DefaultPermission.setExclusiveChoice(choice == 1 ? 1 : 0);
        }
        if (result != DefaultPermission.REFUSED) {
            DefaultPermission.commitStates();
        }
    }

    private static native String nativeGetAppProperty(String key);
}
