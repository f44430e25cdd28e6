#!/usr/bin/python
# Stand-in for ansible.windows.win_file in the playbook's test, for
# state=absent only: see win_command.py.
import os

from ansible.module_utils.basic import AnsibleModule


def main():
    module = AnsibleModule(argument_spec={"path": {"required": True},
                                          "state": {"choices": ["absent"]}})
    path = os.path.join(os.environ["TXRESET_STAND_IN_HOST"],
                        module.params["path"].replace("\\", "_"))
    existed = os.path.exists(path)
    if existed:
        os.remove(path)
    module.exit_json(changed=existed)


if __name__ == "__main__":
    main()
