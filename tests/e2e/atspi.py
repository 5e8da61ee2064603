# atspi.py NAME WHAT [ARG]: the role, labels, text, description or state ARG
# of the object named NAME in the running Tarnwick; "do ARG" runs its action.
import sys, pyatspi

app = next(a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "tarnwick")
obj = pyatspi.findDescendant(app, lambda a: a.name == sys.argv[1])
if obj is None:
    sys.exit("no object named " + sys.argv[1])
if sys.argv[2] == "do":
    action = obj.queryAction()
    action.doAction([action.getName(i) for i in range(action.nActions)].index(sys.argv[3]))
elif sys.argv[2] == "focus":
    obj.queryComponent().grabFocus()
else:
    print({"role": obj.getRoleName, "text": lambda: obj.queryText().getText(0, -1),
           "labels": lambda: " ".join(r.getTarget(0).name for r in obj.getRelationSet()
                                      if r.getRelationType() == pyatspi.RELATION_LABELLED_BY),
           "state": lambda: obj.getState().contains(getattr(pyatspi, "STATE_" + sys.argv[3])),
           "description": lambda: obj.description}[sys.argv[2]]())
